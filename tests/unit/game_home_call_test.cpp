// The home call against servers of our own on 127.0.0.1 (never the maker's
// name): the exact request, the completion line, what is kept of the answer,
// and completions of other requests ignored.
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

#include "game/globals.h"
#include "game/myapp.h"
#include "support/net_support.h"

namespace {

using namespace testing_support;

class GameHomeCall : public ::testing::Test {
 protected:
  c_MyApp* app = nullptr;
  void SetUp() override {
    rvInit();
    app = Keep(new c_MyApp());
  }
  std::string Address(int port) {
    return "http://127.0.0.1:" + std::to_string(port) + "/housecall.php";
  }
  void Call(int port) {
    app->p_GetURL(String(Address(port).c_str()), String("hello=1&gameID=") + String(rv_Quenmor_GameNum));
  }
};

TEST_F(GameHomeCall, AnAnswerWithABodyIsKeptAndNoted) {
  ScriptedHttpServer server({"HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n", "welcome ", "back"});
  testing::internal::CaptureStdout();
  Call(server.Port());
  EXPECT_EQ(app->m_homeDone, 0);
  EXPECT_EQ(app->m_homeText, String("N/A"));
  ASSERT_NE(app->m_homeRequest, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return app->m_homeDone == 1; }));
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "Requesting URL\nHttp GET complete! 200\n");
  EXPECT_EQ(server.Request(),
            "GET /housecall.php?hello=1&gameID=415 HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
  EXPECT_EQ(app->m_homeText, String("welcome back"));
  EXPECT_EQ(rv_Quenmor_J_On_Able, 1);
  EXPECT_EQ(server.Connections(), 1);
}

TEST_F(GameHomeCall, AnEmptyAnswerCompletesWithoutTheNote) {
  ScriptedHttpServer server({"HTTP/1.0 404 Not Found\r\n\r\n"});
  testing::internal::CaptureStdout();
  Call(server.Port());
  ASSERT_TRUE(PumpUntil([&] { return app->m_homeDone == 1; }));
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Requesting URL\nHttp GET complete! 404\n");
  EXPECT_TRUE(app->m_homeText.Empty());
  EXPECT_EQ(rv_Quenmor_J_On_Able, 0);
}

TEST_F(GameHomeCall, ARefusedCallLeavesNothingButItsLine) {
  int port = 0;
  int fd = RefusingPort(&port);
  testing::internal::CaptureStdout();
  Call(port);
  ASSERT_TRUE(PumpUntil([&] { return app->m_homeRequest->m_finished; }));
  // The client reports the failure as status -1 with no body.
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Requesting URL\nHttp GET complete! -1\n");
  EXPECT_TRUE(app->m_homeText.Empty());
  EXPECT_EQ(rv_Quenmor_J_On_Able, 0);
  close(fd);
}

TEST_F(GameHomeCall, CompletionsOfOtherRequestsAreIgnored) {
  ScriptedHttpServer slow({"HTTP/1.0 200 OK\r\n\r\n", "home"}, 0.5);
  ScriptedHttpServer quick({"HTTP/1.0 200 OK\r\n\r\nother"});
  testing::internal::CaptureStdout();
  Call(slow.Port());
  c_HttpRequest* other = Keep((new c_HttpRequest())->m_new());
  other->p_Open(String("GET"), String(Address(quick.Port()).c_str()), app);
  other->p_Send();
  ASSERT_TRUE(PumpUntil([&] { return other->m_finished; }));
  app->p_OnHttpRequestComplete(nullptr);
  EXPECT_EQ(app->m_homeDone, 0);
  EXPECT_EQ(app->m_homeText, String("N/A"));
  EXPECT_EQ(rv_Quenmor_J_On_Able, 0);
  ASSERT_TRUE(PumpUntil([&] { return app->m_homeDone == 1; }));
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Requesting URL\nHttp GET complete! 200\n");
  EXPECT_EQ(app->m_homeText, String("home"));
}

TEST_F(GameHomeCall, TheGameAsksForItsNumberOnAReservedName) {
  std::string address = homecall::Address().ToUtf8();
  EXPECT_EQ(address.rfind("http://", 0), 0u);
  EXPECT_NE(address.find(".example/housecall.php"), std::string::npos);
  EXPECT_EQ(homecall::Query(), String("hello=1&gameID=415"));
  EXPECT_EQ(rv_Quenmor_J_On_Allow, 0);
}

}  // namespace
