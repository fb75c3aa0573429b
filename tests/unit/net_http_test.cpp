// The HTTP client against scripted and hostile servers on 127.0.0.1, and its
// response parsing fed directly. Every request must tell its listener exactly
// once and leave no socket registered.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>

#include "net/http.h"
#include "support/net_support.h"
#include "support/printers.h"

namespace {

using testing_support::Keep;
using testing_support::PumpUntil;
using testing_support::ReadToEnd;
using testing_support::ReadUntil;
using testing_support::LoopbackServer;
using testing_support::WriteAll;

class Listener : public Object, public c_IOnHttpRequestComplete {
 public:
  int calls = 0;
  int p_OnHttpRequestComplete(c_HttpRequest*) override {
    ++calls;
    return 0;
  }
};

std::string Utf8(const String& s) { return s.ToUtf8(); }

String Url(int port, const std::string& rest = "/") {
  return String(("http://127.0.0.1:" + std::to_string(port) + rest).c_str());
}

bool Registered(c_IAsyncEventSource* source) {
  return rv_asyncevent__sources->p_Contains(source);
}

// Pumps until the listener is told, then checks what a finished request
// leaves behind and that more pumping brings no second call.
void Finish(c_HttpRequest* r, Listener* listener) {
  ASSERT_TRUE(PumpUntil([&] { return listener->calls > 0; }));
  c_Socket* s = r->m_socket;
  EXPECT_FALSE(Registered(r));
  EXPECT_FALSE(Registered(s) || Registered(s->m_readQueue) || Registered(s->m_writeQueue));
  EXPECT_FALSE(s->m_native->IsOpen());
  int rounds = 0;
  PumpUntil([&] { return ++rounds > 20; });
  EXPECT_EQ(listener->calls, 1);
}

c_HttpRequest* Open(const char* method, const String& url, Listener* listener) {
  return Keep((new c_HttpRequest())->m_new2(String(method), url, listener));
}

c_HttpRequest* Get(const String& url,
                   const std::function<void(c_HttpRequest*)>& setup = nullptr) {
  Listener* listener = Keep(new Listener());
  c_HttpRequest* r = Open("GET", url, listener);
  if (setup) setup(r);
  r->p_Send();
  Finish(r, listener);
  return r;
}

const std::string kOkHead = "HTTP/1.0 200 OK\r\n\r\n";

enum class Then { kClose, kAwaitClient, kReset };

// A server's script: reads the request (and a body of Content-Length bytes)
// into *request, writes `first`, then `repeat` every `paceMs` until the client
// hangs up; then closes, waits for the client to close, or resets.
std::function<void(int)> Serve(std::string first, Then then = Then::kClose,
                               std::string repeat = "", int paceMs = 0,
                               std::shared_ptr<std::string> request = nullptr) {
  return [=](int fd) {
    std::string got = ReadUntil(fd, "\r\n\r\n");
    std::size_t at = got.find("Content-Length: ");
    char c;
    long n = at == std::string::npos ? 0 : std::strtol(got.c_str() + at + 16, nullptr, 10);
    for (long i = 0; i < n && recv(fd, &c, 1, 0) == 1; ++i) got.push_back(c);
    if (request) *request = got;
    bool ok = WriteAll(fd, first);
    pollfd hangUp = {fd, POLLIN, 0};
    while (ok && !repeat.empty() && poll(&hangUp, 1, paceMs) == 0) ok = WriteAll(fd, repeat);
    if (then == Then::kReset) testing_support::ResetOnClose(fd);
    if (then == Then::kAwaitClient) ReadToEnd(fd);
  };
}

TEST(NetHttpRequest, RequestsGoOutAsWritten) {
  const std::string longPath = "/" + std::string(10000, 'p') + "?q=" + std::string(3000, 'q');
  struct Case {
    const char *method, *path;
    const char16_t* body;  // null: a plain Send
    const char *mime, *encoding;
    std::string wire;
  } cases[] = {
      {"GET", "/a?b=1", nullptr, "", "", "GET /a?b=1 HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n"},
      {"POST", "/submit", u"h\u00e9llo w\u00f6rld", "text/plain", "utf8",
       "POST /submit HTTP/1.0\r\nHost: 127.0.0.1\r\nContent-Type: text/plain\r\n"
       "Content-Length: 13\r\n\r\nh\xC3\xA9llo w\xC3\xB6rld"},
      // Longer than the header buffer: sent whole.
      {"GET", longPath.c_str(), nullptr, "", "",
       "GET " + longPath + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n"},
  };
  for (const Case& c : cases) {
    auto request = std::make_shared<std::string>();
    const std::string response = "HTTP/1.0 201 Created\r\n\r\nmade";
    LoopbackServer server(Serve(response, Then::kClose, "", 0, request));
    Listener* listener = Keep(new Listener());
    c_HttpRequest* r = Open(c.method, Url(server.Port(), c.path), listener);
    if (c.body) {
      r->p_Send2(String(c.body), String(c.mime), String(c.encoding));
    } else {
      r->p_Send();
    }
    Finish(r, listener);
    EXPECT_EQ(*request, c.wire) << c.method;
    EXPECT_EQ(r->p_Status(), 201) << c.method;
    EXPECT_EQ(Utf8(r->p_ResponseText()), "made") << c.method;
  }
}

TEST(NetHttpResponse, StatusLinesAndBodies) {
  std::string big;  // many receives, characters split between them
  for (int i = 0; big.size() < 100000; ++i) big += "line " + std::to_string(i) + " caf\xC3\xA9\n";
  struct Case { std::string response; int status; std::string text; } cases[] = {
      {"HTTP/1.0 404 Not Found\r\nContent-Type: text/plain\r\n\r\nnothing here", 404,
       "nothing here"},
      {"http/1.1 200 ok\r\n\r\nfine", 200, "fine"},  // upper-cased first
      {"HTTP/1.0 500 Oops\nA: b\n\ncaf\xE9 ", 500, "caf\xC3\xA9 "},  // not UTF-8: bytes
      {"HTTP/1.0 200 OK\r\n\r\nab\xE2\x82", 200, "ab\xC3\xA2\xC2\x82"},  // never finished
      {"HTTP/1.0 200 OK\r\nServer: x\r\n\r\n" + big, 200, big},
      // Malformed, cut short or silent: -1 and no text.
      {"HTTP/1.1 200\r\n\r\nbody", -1, ""},
      {"HTTP/1.1 200 \r\n\r\nbody", -1, ""},
      {"ICY 200 OK\r\n\r\nbody", -1, ""},
      {"\r\n\r\nbody", -1, ""},
      {"HTTP/1.0 200 OK\r\nContent-Le", -1, ""},
      {"", -1, ""},
  };
  for (const Case& c : cases) {
    LoopbackServer server(Serve(c.response));
    c_HttpRequest* r = Get(Url(server.Port()));
    EXPECT_EQ(r->p_Status(), c.status) << c.response.substr(0, 40);
    EXPECT_EQ(Utf8(r->p_ResponseText()), c.text) << c.response.substr(0, 40);
  }
}

TEST(NetHttpHostile, EachFailureEndsOnceWithMinusOneAndReleasesTheSocket) {
  const long long kDefault = c_HttpRequest::kMaxBodyBytes;
  const Then kWait = Then::kAwaitClient;
  struct Case {
    const char* what;
    std::function<void(int)> serve;
    double idle, deadline;
    long long bodyLimit;
  } cases[] = {
      {"accepts and goes silent", Serve("", kWait), 0.2, 60, kDefault},
      {"goes silent in the body", Serve(kOkHead + "some", kWait), 0.2, 60, kDefault},
      {"trickles the body past the deadline", Serve(kOkHead, kWait, "x", 10), 10, 0.3, kDefault},
      {"sends a body without end", Serve(kOkHead, kWait, std::string(8192, 'z')), 10, 60, 200000},
      {"... past the default limit", Serve(kOkHead, kWait, std::string(65536, 'z')), 10, 60,
       kDefault},
      {"resets in the middle of the body", Serve(kOkHead + "partial", Then::kReset), 10, 60,
       kDefault},
      {"resets in the header", Serve("HTTP/1.0 200 OK\r\nX: ", Then::kReset), 10, 60, kDefault},
  };
  for (const Case& c : cases) {
    LoopbackServer server(c.serve);
    c_HttpRequest* r = Get(Url(server.Port()), [&](c_HttpRequest* r) {
      r->SetTimeouts(c.idle, c.deadline);
      r->SetBodyLimit(c.bodyLimit);
    });
    EXPECT_EQ(r->p_Status(), -1) << c.what;
    EXPECT_EQ(Utf8(r->p_ResponseText()), "") << c.what;
    EXPECT_LE(r->m_received, c.bodyLimit + c_HttpRequest::kReceiveBufferBytes) << c.what;
  }
}

TEST(NetHttpHostile, ConnectFailuresFinishWithMinusOne) {
  int port = 0;
  int refusing = testing_support::RefusingPort(&port);
  EXPECT_EQ(Get(Url(port))->p_Status(), -1);
  close(refusing);
  // A port number no socket can have, a host that does not resolve.
  for (std::string url : {"http://127.0.0.1:" + std::string(30, '9') + "/",
                          "http://" + std::string(70, 'x') + "/"}) {
    EXPECT_EQ(Get(String(url.c_str()))->p_Status(), -1) << url;
  }
}

// Delivers bytes as completions of the receives the request asks for (no
// socket: the request issues nothing).
void Feed(c_HttpRequest* r, const std::string& bytes) {
  for (std::size_t at = 0; at < bytes.size();) {
    c_DataBuffer* b = r->m_receiveBuffer;
    int offset = r->m_receiveOffset;
    int n = std::min((int)(bytes.size() - at), b->length - offset);
    if (n <= 0) return;  // finished
    for (int i = 0; i < n; ++i) b->data[offset + i] = (unsigned char)bytes[at + i];
    r->p_OnReceiveComplete(b, offset, n, nullptr);
    at += (std::size_t)n;
  }
}
void End(c_HttpRequest* r, int count = 0) {  // 0: orderly close, -1: failed receive
  r->p_OnReceiveComplete(r->m_receiveBuffer, r->m_receiveOffset, count, nullptr);
}

// A request whose header has gone out: the request lines are cleared, as the
// connect does once it has encoded them.
c_HttpRequest* Opened(Listener* listener) {
  c_HttpRequest* r = (new c_HttpRequest())->m_new2(String("GET"), String("http://h/"), listener);
  r->m_lines->p_Clear();
  return r;
}

TEST(NetHttpParse, EveryCutOfAUtf8BodyGivesTheSameText) {
  const std::string body = "a\xC3\xA9\xE2\x82\xACz\xC3\xA9";
  const std::string all = kOkHead + body;
  for (std::size_t cut = 1; cut < all.size(); ++cut) {
    for (std::size_t cut2 = cut; cut2 < all.size(); ++cut2) {
      Listener* listener = new Listener();
      c_HttpRequest* r = Opened(listener);
      Feed(r, all.substr(0, cut));
      Feed(r, all.substr(cut, cut2 - cut));
      Feed(r, all.substr(cut2));
      End(r);
      ASSERT_EQ(listener->calls, 1);
      ASSERT_EQ(r->p_Status(), 200) << cut << " " << cut2;
      ASSERT_EQ(r->p_ResponseText(), String(u"a\u00e9\u20acz\u00e9")) << cut << " " << cut2;
      ASSERT_EQ(r->m_received, (long long)body.size());
    }
  }
}

TEST(NetHttpParse, HeaderAndBodyLimitsCountEveryByte) {
  constexpr long long kBody = 5000;
  struct Case { int header; long long body; int status; } cases[] = {
      {c_HttpRequest::kMaxHeaderBytes, 2, 200},
      {c_HttpRequest::kMaxHeaderBytes + 1, 2, -1},
      {100, kBody, 200},
      {100, kBody + 1, -1},
  };
  for (const Case& c : cases) {
    // `c.header` bytes, blank line included; the last line in a receive of its own.
    const std::string last = "X-End: 1\r\n\r\n";
    std::string head = "HTTP/1.0 200 OK\r\n";
    for (int n, rest = c.header - (int)(last.size() + head.size()); rest > 0; rest -= n) {
      n = rest < 2000 ? rest : 1000;
      head += "X-Pad: " + std::string((std::size_t)n - 9, 'p') + "\r\n";
    }
    ASSERT_EQ(head.size() + last.size(), (std::size_t)c.header);
    Listener* listener = new Listener();
    c_HttpRequest* r = Opened(listener);
    r->SetBodyLimit(kBody);
    Feed(r, head);
    Feed(r, last + std::string((std::size_t)c.body, 'b'));
    End(r);
    EXPECT_EQ(listener->calls, 1);
    EXPECT_EQ(r->p_Status(), c.status) << c.header << " " << c.body;
    EXPECT_EQ(r->p_ResponseText().Length(), c.status > 0 ? c.body : 0);
  }
}

// The received-byte count is 64-bit: a long body never wraps it.
TEST(NetHttpParse, TheBodyCounterGoesPastTwoGigabytes) {
  Listener* listener = new Listener();
  c_HttpRequest* r = Opened(listener);
  r->SetBodyLimit(1ll << 40);
  Feed(r, kOkHead);
  r->m_received = 0x7fffffffll - 5;  // as after 2 GiB of body
  Feed(r, std::string(100, 'b'));
  EXPECT_EQ(r->m_received, 0x7fffffffll + 95);
  End(r);
  EXPECT_EQ(r->p_Status(), 200);
}

}  // namespace
