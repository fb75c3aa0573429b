// No frame waits on the network: while a connect to a server that never
// answers is pending on a worker, the event pump keeps returning and the
// listener is not called; when the server goes away the connect fails and
// the listener hears of it. (How fast the pump returns is measured by
// bench/net_pump.cpp.)
#include <gtest/gtest.h>

#include "net/http.h"
#include "support/net_support.h"

namespace {

using testing_support::Keep;
using testing_support::PumpUntil;

class ConnectLog : public Object, public c_IOnConnectComplete {
 public:
  int calls = 0;
  bool connected = true;
  int p_OnConnectComplete(bool ok, c_Socket*) override {
    ++calls;
    connected = ok;
    return 0;
  }
};

class Done : public Object, public c_IOnHttpRequestComplete {
 public:
  int calls = 0;
  int p_OnHttpRequestComplete(c_HttpRequest*) override { return ++calls; }
};

TEST(NetNoFrameWaits, ThePumpReturnsWhileAConnectIsPending) {
  testing_support::SilentServer silent;
  ConnectLog* log = Keep(new ConnectLog());
  c_Socket* s = Keep((new c_Socket())->m_new(String("stream")));
  s->p_ConnectAsync(String("127.0.0.1"), silent.Port(), log);

  Done* done = Keep(new Done());
  c_HttpRequest* r = Keep((new c_HttpRequest())->m_new2(
      String("GET"), String(("http://127.0.0.1:" + std::to_string(silent.Port()) + "/").c_str()),
      done));
  r->p_Send();

  // Two hundred frames' worth of pumping: every call returns, nothing lands.
  int rounds = 0;
  EXPECT_TRUE(PumpUntil([&] { return ++rounds > 200; }, 30));
  EXPECT_EQ(log->calls, 0);
  EXPECT_EQ(done->calls, 0);
  EXPECT_EQ(s->m_readQueue->WaitingToRun(), 1);  // the worker is still in connect
  EXPECT_FALSE(s->p_IsConnected());

  silent.Close();
  ASSERT_TRUE(PumpUntil([&] { return log->calls > 0 && done->calls > 0; }, 20));
  EXPECT_FALSE(log->connected);
  EXPECT_EQ(s->m_state, c_Socket::kOpen);
  EXPECT_EQ(r->p_Status(), -1);
}

}  // namespace
