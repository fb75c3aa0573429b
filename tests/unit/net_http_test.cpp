// The HTTP client against real servers on 127.0.0.1 (our own scripted one and
// Python's http.server), and its response parsing fed directly, byte
// boundary by byte boundary. Every case checks that the listener is told
// exactly once.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "net/http.h"
#include "support/net_support.h"
#include "support/printers.h"

namespace {

using testing_support::Keep;
using testing_support::PumpFor;
using testing_support::PumpUntil;
using testing_support::ScriptedHttpServer;

class Listener : public Object, public c_IOnHttpRequestComplete {
 public:
  int calls = 0;
  std::function<void(c_HttpRequest*)> then;
  int p_OnHttpRequestComplete(c_HttpRequest* request) override {
    ++calls;
    if (then) then(request);
    return 0;
  }
};

std::string Utf8(const String& s) { return s.ToUtf8(); }

String Url(int port, const std::string& rest) {
  return String(("http://127.0.0.1:" + std::to_string(port) + rest).c_str());
}

// Sends a GET and pumps until the listener is told; then pumps a little more
// to catch a second call.
c_HttpRequest* Get(const String& url, Listener* listener) {
  c_HttpRequest* r = Keep((new c_HttpRequest())->m_new2(String("GET"), url, listener));
  r->p_Send();
  EXPECT_TRUE(PumpUntil([&] { return listener->calls > 0; }));
  PumpFor(0.05);
  EXPECT_EQ(listener->calls, 1);
  return r;
}

c_HttpRequest* GetFrom(const std::vector<std::string>& response, std::string* request = nullptr,
                       const std::string& path = "/") {
  ScriptedHttpServer server(response);
  Listener* listener = Keep(new Listener());
  c_HttpRequest* r = Get(Url(server.Port(), path), listener);
  if (request) *request = server.Request();
  return r;
}

// ---- Requests on the wire ---------------------------------------------------

TEST(NetHttpRequest, GetSendsTheRequestLineAndHostOnly) {
  std::string request;
  c_HttpRequest* r = GetFrom({"HTTP/1.0 200 OK\r\n\r\nhi"}, &request, "/a?b=1");
  EXPECT_EQ(request, "GET /a?b=1 HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
  EXPECT_EQ(r->p_Status(), 200);
  EXPECT_EQ(Utf8(r->p_ResponseText()), "hi");
}

TEST(NetHttpRequest, BodyRequestAddsTypeAndLengthThenTheBody) {
  ScriptedHttpServer server({"HTTP/1.0 201 Created\r\n\r\n"});
  Listener* listener = Keep(new Listener());
  c_HttpRequest* r =
      Keep((new c_HttpRequest())->m_new2(String("POST"), Url(server.Port(), "/submit"), listener));
  r->p_Send2(String(u"h\u00e9llo w\u00f6rld"), String("text/plain"), String("utf8"));
  ASSERT_TRUE(PumpUntil([&] { return listener->calls > 0; }));
  EXPECT_EQ(server.Request(),
            "POST /submit HTTP/1.0\r\nHost: 127.0.0.1\r\nContent-Type: text/plain\r\n"
            "Content-Length: 13\r\n\r\nh\xC3\xA9llo w\xC3\xB6rld");
  EXPECT_EQ(r->p_Status(), 201);
  EXPECT_EQ(Utf8(r->p_ResponseText()), "");

  ScriptedHttpServer plain({"HTTP/1.0 200 OK\r\n\r\n"});
  Listener* l2 = Keep(new Listener());
  c_HttpRequest* r2 =
      Keep((new c_HttpRequest())->m_new2(String("PUT"), Url(plain.Port(), "/x"), l2));
  r2->p_Send2(String("abc"), String(), String("ascii"));
  ASSERT_TRUE(PumpUntil([&] { return l2->calls > 0; }));
  EXPECT_EQ(plain.Request(), "PUT /x HTTP/1.0\r\nHost: 127.0.0.1\r\nContent-Length: 3\r\n\r\nabc");
}

TEST(NetHttpRequest, ARequestLongerThanTheHeaderBufferIsSentWhole) {
  std::string path = "/" + std::string(10000, 'p') + "?q=" + std::string(3000, 'q');
  std::string request;
  c_HttpRequest* r = GetFrom({"HTTP/1.0 200 OK\r\n\r\nlong ok"}, &request, path);
  EXPECT_EQ(request, "GET " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
  EXPECT_EQ(r->p_Status(), 200);
  EXPECT_EQ(Utf8(r->p_ResponseText()), "long ok");
}

// ---- Responses from our own server ------------------------------------------

TEST(NetHttpResponse, NotFoundWithABody) {
  c_HttpRequest* r =
      GetFrom({"HTTP/1.0 404 Not Found\r\nContent-Type: text/plain\r\n\r\nnothing here"});
  EXPECT_EQ(r->p_Status(), 404);
  EXPECT_EQ(Utf8(r->p_ResponseText()), "nothing here");
}

TEST(NetHttpResponse, ALowerCaseStatusLineIsAccepted) {
  c_HttpRequest* r = GetFrom({"http/1.1 200 ok\r\n\r\nfine"});
  EXPECT_EQ(r->p_Status(), 200);
  EXPECT_EQ(Utf8(r->p_ResponseText()), "fine");
}

TEST(NetHttpResponse, BadStatusLinesEndWithMinusOneAndNoText) {
  const char* bad[] = {"HTTP/1.1 200\r\n\r\nbody", "ICY 200 OK\r\n\r\nbody", "\r\n\r\nbody",
                       "HTTP/1.1 200 \r\n\r\nbody"};
  for (const char* response : bad) {
    c_HttpRequest* r = GetFrom({response});
    EXPECT_EQ(r->p_Status(), -1) << response;
    EXPECT_EQ(Utf8(r->p_ResponseText()), "") << response;
  }
}

TEST(NetHttpResponse, ABodySplitAcrossManyReceivesIsJoinedWithoutSeparators) {
  std::vector<std::string> pieces = {"HTTP/1.0 200 OK\r\nServer: pieces\r\n\r\n"};
  std::string body;
  for (int i = 0; i < 40; ++i) {
    pieces.push_back("<" + std::to_string(i) + ">");
    body += pieces.back();
  }
  c_HttpRequest* r = GetFrom(pieces);
  EXPECT_EQ(r->p_Status(), 200);
  EXPECT_EQ(Utf8(r->p_ResponseText()), body);
  EXPECT_EQ(r->m_received, (int)body.size());
}

TEST(NetHttpResponse, CharactersCutByTheNetworkAreJoinedWhole) {
  c_HttpRequest* r = GetFrom({"HTTP/1.0 200 OK\r\n\r\ncaf\xC3", "\xA9 \xE2\x82", "\xAC!"});
  EXPECT_EQ(r->p_ResponseText(), String(u"caf\u00e9 \u20ac!"));
}

TEST(NetHttpResponse, AHeaderSplitInsideItsLinesIsReassembled) {
  c_HttpRequest* r =
      GetFrom({"HTT", "P/1.0 2", "03 Non-Authoritative\r", "\nX-A: 1\r\n", "\r", "\nbody"});
  EXPECT_EQ(r->p_Status(), 203);
  EXPECT_EQ(Utf8(r->p_ResponseText()), "body");
  EXPECT_EQ(r->m_lines->p_Get(1), String("X-A: 1"));
}

TEST(NetHttpResponse, AServerThatClosesBeforeTheHeaderEndsGivesMinusOne) {
  c_HttpRequest* r = GetFrom({"HTTP/1.0 200 OK\r\nContent-Le"});
  EXPECT_EQ(r->p_Status(), -1);
  EXPECT_EQ(Utf8(r->p_ResponseText()), "");
  c_HttpRequest* silent = GetFrom({});
  EXPECT_EQ(silent->p_Status(), -1);
}

TEST(NetHttpResponse, AResetConnectionFinishesTheRequest) {
  testing_support::LoopbackServer server([](int fd) {
    testing_support::ReadUntil(fd, "\r\n\r\n");
    testing_support::WriteAll(fd, "HTTP/1.0 200 OK\r\nX: ");
    testing_support::SleepSeconds(0.05);
    testing_support::ResetOnClose(fd);
  });
  Listener* listener = Keep(new Listener());
  c_HttpRequest* r = Get(Url(server.Port(), "/"), listener);
  EXPECT_EQ(r->p_Status(), -1);
}

TEST(NetHttpResponse, ConnectFailuresFinishWithMinusOne) {
  int port = 0;
  int refusing = testing_support::RefusingPort(&port);
  Listener* l1 = Keep(new Listener());
  EXPECT_EQ(Get(Url(port, "/"), l1)->p_Status(), -1);
  close(refusing);
  // A port number no socket can have, a host that does not resolve.
  Listener* l2 = Keep(new Listener());
  EXPECT_EQ(Get(String(("http://127.0.0.1:" + std::string(30, '9') + "/").c_str()), l2)
                ->p_Status(),
            -1);
  Listener* l3 = Keep(new Listener());
  EXPECT_EQ(Get(String(("http://" + std::string(70, 'x') + "/").c_str()), l3)->p_Status(), -1);
}

TEST(NetHttpResponse, AListenerMayPumpEventsAndStartAnotherRequest) {
  ScriptedHttpServer server({"HTTP/1.0 200 OK\r\n\r\nagain"});
  Listener* first = Keep(new Listener());
  Listener* second = Keep(new Listener());
  first->then = [&](c_HttpRequest*) {
    rv_asyncevent_UpdateAsyncEvents();  // returns at once
    Keep((new c_HttpRequest())->m_new2(String("GET"), Url(server.Port(), "/2"), second))
        ->p_Send();
  };
  c_HttpRequest* r = Get(Url(server.Port(), "/1"), first);
  EXPECT_EQ(Utf8(r->p_ResponseText()), "again");
  ASSERT_TRUE(PumpUntil([&] { return second->calls > 0; }));
  PumpFor(0.05);
  EXPECT_EQ(first->calls, 1);
  EXPECT_EQ(second->calls, 1);
  EXPECT_EQ(server.Request(), "GET /2 HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
}

// ---- Python's http.server ---------------------------------------------------

TEST(NetHttpPython, StockServerGivesFilesAndNotFound) {
  std::string dir = testing_support::MakeTempDir("http");
  std::string big;
  for (int i = 0; big.size() < 100000; ++i) big += "line " + std::to_string(i) + " caf\xC3\xA9\n";
  testing_support::WriteFile(dir + "/big.txt", big);
  auto server = testing_support::PythonHttpServer::ServeDirectory(dir);

  Listener* l1 = Keep(new Listener());
  c_HttpRequest* ok = Get(Url(server.Port(), "/big.txt"), l1);
  EXPECT_EQ(ok->p_Status(), 200);
  EXPECT_EQ(ok->m_received, (int)big.size());
  EXPECT_EQ(Utf8(ok->p_ResponseText()), big);

  Listener* l2 = Keep(new Listener());
  c_HttpRequest* missing = Get(Url(server.Port(), "/missing.txt"), l2);
  EXPECT_EQ(missing->p_Status(), 404);
  EXPECT_NE(Utf8(missing->p_ResponseText()).find("404"), std::string::npos);
}

TEST(NetHttpPython, HandlerReceivesTheBodyOfAPost) {
  auto server = testing_support::PythonHttpServer::RunHandler(R"(
import http.server
class Echo(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        body = self.rfile.read(int(self.headers['Content-Length']))
        reply = (self.headers['Content-Type'] + '|').encode() + body
        self.send_response(201, 'Made')
        self.end_headers()
        self.wfile.write(reply)
    def log_message(self, *args):
        pass
server = http.server.HTTPServer(('127.0.0.1', 0), Echo)
print('port', server.server_address[1], flush=True)
server.serve_forever()
)");
  Listener* listener = Keep(new Listener());
  c_HttpRequest* r = Keep(
      (new c_HttpRequest())->m_new2(String("POST"), Url(server.Port(), "/echo"), listener));
  r->p_Send2(String(u"score=12&name=Z\u00e9"), String("application/x-www-form-urlencoded"),
             String("utf8"));
  ASSERT_TRUE(PumpUntil([&] { return listener->calls > 0; }));
  EXPECT_EQ(r->p_Status(), 201);
  EXPECT_EQ(r->p_ResponseText(), String(u"application/x-www-form-urlencoded|score=12&name=Z\u00e9"));
}

// ---- The receive path fed directly ------------------------------------------

// Puts bytes where the request asked for its next receive and delivers them
// as that receive's completion (no socket: the request issues nothing).
void Feed(c_HttpRequest* r, const std::string& bytes) {
  if (bytes.empty()) return;  // a count of 0 is the end of the stream
  c_DataBuffer* b = r->m_receiveBuffer;
  int offset = r->m_receiveOffset;
  int n = (int)bytes.size();
  ASSERT_LE(offset + n, b->length);
  for (int i = 0; i < n; ++i) b->data[offset + i] = (unsigned char)bytes[i];
  r->p_OnReceiveComplete(b, offset, n, nullptr);
}

// A request whose header has gone out: the request lines are cleared, as the
// connect does once it has encoded them.
c_HttpRequest* Opened(Listener* listener) {
  c_HttpRequest* r = (new c_HttpRequest())->m_new2(String("GET"), String("http://h/"), listener);
  r->m_lines->p_Clear();
  return r;
}

TEST(NetHttpParse, EveryCutOfAUtf8BodyGivesTheSameText) {
  const std::string header = "HTTP/1.0 200 OK\r\n\r\n";
  const std::string body = "a\xC3\xA9\xE2\x82\xACz\xC3\xA9";
  const std::string all = header + body;
  for (std::size_t cut = 1; cut < all.size(); ++cut) {
    for (std::size_t cut2 = cut; cut2 < all.size(); ++cut2) {
      Listener* listener = new Listener();
      c_HttpRequest* r = Opened(listener);
      Feed(r, all.substr(0, cut));
      Feed(r, all.substr(cut, cut2 - cut));
      if (cut2 < all.size()) Feed(r, all.substr(cut2));
      r->p_OnReceiveComplete(r->m_receiveBuffer, r->m_receiveOffset, 0, nullptr);
      ASSERT_EQ(listener->calls, 1);
      ASSERT_EQ(r->p_Status(), 200) << cut << " " << cut2;
      ASSERT_EQ(r->p_ResponseText(), String(u"a\u00e9\u20acz\u00e9")) << cut << " " << cut2;
      ASSERT_EQ(r->m_received, (int)body.size());
    }
  }
}

TEST(NetHttpParse, AnUnfinishedCharacterAtTheEndIsKeptAsBytes) {
  Listener* listener = new Listener();
  c_HttpRequest* r = Opened(listener);
  Feed(r, "HTTP/1.0 200 OK\r\n\r\nab\xE2\x82");
  r->p_OnReceiveComplete(r->m_receiveBuffer, r->m_receiveOffset, 0, nullptr);
  EXPECT_EQ(r->p_ResponseText(), String(u"ab\u00e2\u0082"));
}

TEST(NetHttpParse, AFailedReceiveFinishesOnceAndLaterCompletionsAreIgnored) {
  Listener* listener = new Listener();
  c_HttpRequest* r = Opened(listener);
  Feed(r, "HTTP/1.0 200 OK\r\n");
  r->p_OnReceiveComplete(r->m_receiveBuffer, r->m_receiveOffset, -1, nullptr);
  EXPECT_EQ(listener->calls, 1);
  EXPECT_EQ(r->p_Status(), -1);
  Feed(r, "\r\nlate");
  r->p_OnReceiveComplete(r->m_receiveBuffer, 0, 0, nullptr);
  EXPECT_EQ(listener->calls, 1);
  EXPECT_EQ(r->p_ResponseText(), String());
}

TEST(NetHttpParse, AHeaderLineThatFillsTheBufferEndsTheRequest) {
  Listener* listener = new Listener();
  c_HttpRequest* r = Opened(listener);
  Feed(r, "HTTP/1.0 200 OK\r\nX-Long: ");
  std::string filler(c_HttpRequest::kReceiveBufferBytes, 'x');
  while (listener->calls == 0) {
    int room = r->m_receiveBuffer->length - r->m_receiveOffset;
    ASSERT_GT(room, 0);
    Feed(r, filler.substr(0, (std::size_t)room));
  }
  EXPECT_EQ(r->p_Status(), -1);
}

TEST(NetHttpParse, AHeaderWithoutEndEndsTheRequest) {
  Listener* listener = new Listener();
  c_HttpRequest* r = Opened(listener);
  Feed(r, "HTTP/1.0 200 OK\r\n");
  for (int i = 0; i < 10000 && listener->calls == 0; ++i) Feed(r, "X-Again: and again\r\n");
  EXPECT_EQ(listener->calls, 1);
  EXPECT_EQ(r->p_Status(), -1);
  EXPECT_LE(r->m_lines->p_Length(),
            (c_HttpRequest::kMaxHeaderBytes + c_HttpRequest::kReceiveBufferBytes) / 20);
}

TEST(NetHttpParse, BareLineFeedsAndBodyBytesThatAreNotUtf8) {
  Listener* listener = new Listener();
  c_HttpRequest* r = Opened(listener);
  Feed(r, "HTTP/1.0 500 Oops\nA: b\n\ncaf\xE9 ");
  r->p_OnReceiveComplete(r->m_receiveBuffer, r->m_receiveOffset, 0, nullptr);
  EXPECT_EQ(r->p_Status(), 500);
  EXPECT_EQ(r->p_ResponseText(), String(u"caf\u00e9 "));  // one byte per character
}

}  // namespace
