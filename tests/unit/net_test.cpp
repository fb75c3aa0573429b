// Networking against real servers on 127.0.0.1: URLs, async sockets, and the
// async queues under load (NetQueueStress: the test the ThreadSanitizer build
// runs).
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "net/errors.h"
#include "net/socket.h"
#include "net/url.h"
#include "support/net_support.h"
#include "support/printers.h"

namespace {

using namespace testing_support;

c_DataBuffer* Buffer(const std::string& bytes) {
  c_DataBuffer* b = (new c_DataBuffer())->m_new((int)bytes.size());
  std::copy(bytes.begin(), bytes.end(), b->data);
  return b;
}

std::string Parts(const String& text) {
  c_Url* u = (new c_Url())->m_new(text, String("http"), 80);
  return (u->m_scheme + String(" ") + u->m_username + String(":") + u->m_password + String("@") +
          u->p_Domain() + String(":") + String(u->p_Port()) + String(" ") + u->p_FullPath() +
          String(" q=") + u->m_query)
      .ToUtf8();
}

TEST(NetUrl, EveryPartAndHostileText) {
  const std::pair<std::string, const char*> cases[] = {
      {"s://srv/a/b?x=1#top", "s :@srv:80 /a/b?x=1#top q=x=1"},
      {"srv:8080", "http :@srv:8080 / q="},
      {"s://jo:se:cret@srv:81/p", "s jo:se:cret@srv:81 /p q="},
      {"s://srv/a:b", "s :@srv:80 /a:b q="},
      {"srv/p?to=a://b@c", "http :@srv:80 /p?to=a://b@c q=to=a://b@c"},
      {"", "http :@:80 / q="},
      {"srv:", "http :@srv:0 / q="},
      {"srv:-5", "http :@srv:-5 / q="},
      {"srv:" + std::string(70, '0') + "12", "http :@srv:0 / q="},  // only 63 characters read
  };
  for (const auto& c : cases) EXPECT_EQ(Parts(String(c.first.c_str())), c.second) << c.first;
}

struct Log : Object, c_IOnConnectComplete, c_IOnSendComplete, c_IOnReceiveComplete {
  std::vector<std::string> events;
  std::string received;
  int connects = 0;
  bool connected = false;
  int p_OnConnectComplete(bool ok, c_Socket*) override {
    ++connects, connected = ok;
    events.push_back(ok ? "connect ok" : "connect failed");
    return 0;
  }
  int p_OnSendComplete(c_DataBuffer*, int offset, int count, c_Socket*) override {
    events.push_back("send " + std::to_string(offset) + " " + std::to_string(count));
    return 0;
  }
  int p_OnReceiveComplete(c_DataBuffer* data, int offset, int count, c_Socket*) override {
    events.push_back("receive " + std::to_string(count));
    if (count > 0)
      received.append(reinterpret_cast<char*>(data->data) + offset, (std::size_t)count);
    return 0;
  }
};

c_Socket* Stream() { return Keep((new c_Socket())->m_new(String("stream"))); }

TEST(NetSocket, SendsAndReceivesCompleteInOrderAndOnlyWhenConnected) {
  std::string got;
  std::atomic<bool> closed{false};
  LoopbackServer server([&](int fd) {
    WriteAll(fd, "reply");
    got = ReadToEnd(fd);
    closed = true;
  });
  Log* log = Keep(new Log());
  c_Socket* s = Stream();
  c_DataBuffer* early = Keep(Buffer("early"));
  s->p_SendAsync(early, 0, 5, log);  // not connecting yet
  s->p_ConnectAsync(String("127.0.0.1"), server.Port(), log);
  s->p_SendAsync(early, 0, 5, log);  // connecting, not connected
  ASSERT_TRUE(PumpUntil([&] { return log->connects > 0; }));
  s->p_SendAsync(Keep(Buffer("first-")), 0, 6, log);
  s->p_SendAsync(Keep(Buffer("xxsecondyy")), 2, 6, log);
  s->p_ReceiveAsync(Keep(Buffer(std::string(64, 0))), 4, 60, log);
  ASSERT_TRUE(PumpUntil([&] { return log->events.size() == 4; }));
  s->p_Close();
  ASSERT_TRUE(PumpUntil([&] { return closed.load(); }));
  EXPECT_EQ(got, "first-second");
  EXPECT_EQ(log->received, "reply");
  std::vector<std::string> sends(log->events.begin() + 1, log->events.end());
  sends.erase(std::remove(sends.begin(), sends.end(), "receive 5"), sends.end());
  EXPECT_EQ(sends, (std::vector<std::string>{"send 0 6", "send 2 6"}));
}

TEST(NetSocket, ACloseEndsReceivesBlockedOnAQuietPeer) {
  LoopbackServer quiet([](int fd) { ReadToEnd(fd); });
  Log* waiting = Keep(new Log());
  c_Socket* q = Stream();
  q->p_ConnectAsync(String("127.0.0.1"), quiet.Port(), waiting);
  ASSERT_TRUE(PumpUntil([&] { return waiting->connects > 0; }));
  c_DataBuffer* in = Keep(Buffer("1234"));
  for (int i = 0; i < 255; ++i) q->p_ReceiveAsync(in, 0, 4, waiting);
  EXPECT_RUNTIME_ERROR(q->p_ReceiveAsync(in, 0, 4, waiting), net_errors::kQueueOverflow);
  q->p_Close();  // wakes the worker blocked in the first receive
  ASSERT_TRUE(PumpUntil([&] { return q->m_readQueue->Outstanding() == 0; }));
  EXPECT_EQ(waiting->events.size(), 256u);
}

constexpr int kSockets = 4, kSendsPerSocket = 1500, kSendsInFlight = 40, kReceivesInFlight = 8;

struct EchoClient : Object, c_IOnConnectComplete, c_IOnSendComplete, c_IOnReceiveComplete {
  c_Socket* socket = nullptr;
  int issued = 0, sends_done = 0;
  std::string sent, received, error;
  void Send() {
    int n = 1 + (issued * 7) % 64;
    c_DataBuffer* b = (new c_DataBuffer())->m_new(n + 2);
    for (int i = 0; i < n; ++i)
      sent.push_back((char)(b->data[1 + i] = (unsigned char)('a' + (issued + i) % 26)));
    ++issued;
    socket->p_SendAsync(b, 1, n, this);
  }
  void Receive() { socket->p_ReceiveAsync((new c_DataBuffer())->m_new(64), 0, 64, this); }
  int p_OnConnectComplete(bool ok, c_Socket*) override {
    if (!ok) error = "connect failed";
    for (int i = 0; i < kReceivesInFlight; ++i) Receive();
    for (int i = 0; i < kSendsInFlight; ++i) Send();
    return 0;
  }
  int p_OnSendComplete(c_DataBuffer*, int offset, int count, c_Socket*) override {
    if (offset != 1 || count < 1) error = "send " + std::to_string(count);
    if (++sends_done, issued < kSendsPerSocket) Send();
    return 0;
  }
  int p_OnReceiveComplete(c_DataBuffer* data, int offset, int count, c_Socket*) override {
    if (count <= 0) return 0;
    received.append(reinterpret_cast<char*>(data->data) + offset, (std::size_t)count);
    Receive();
    return 0;
  }
  bool Done() const {
    return !error.empty() || (sends_done == kSendsPerSocket && received.size() == sent.size());
  }
  void mark() override { gc_mark_q(socket); }
};

TEST(NetQueueStress, ThousandsOfOperationsAcrossSeveralSockets) {
  LoopbackServer echo([](int fd) {
    char buf[4096];
    for (ssize_t n; (n = recv(fd, buf, sizeof buf, 0)) > 0;) {
      if (!WriteAll(fd, std::string(buf, (std::size_t)n))) return;
    }
  });
  std::vector<EchoClient*> clients;
  for (int i = 0; i < kSockets; ++i) {
    EchoClient* c = Keep(new EchoClient());
    gc_assign(c->socket, (new c_Socket())->m_new(String("stream")));
    c->socket->p_ConnectAsync(String("127.0.0.1"), echo.Port(), c);
    clients.push_back(c);
  }
  auto all = [&](const std::function<bool(EchoClient*)>& ok) {
    return std::all_of(clients.begin(), clients.end(), ok);
  };
  ASSERT_TRUE(PumpUntil([&] { return all([](EchoClient* c) { return c->Done(); }); }, 90));
  for (EchoClient* c : clients) {
    EXPECT_EQ(c->error, "");
    EXPECT_TRUE(c->received == c->sent);
    c->socket->p_Close();
  }
  // Each close wakes its pending receives; they come back and the rings empty.
  ASSERT_TRUE(PumpUntil([&] {
    return all([](EchoClient* c) {
      return c->socket->m_readQueue->Outstanding() + c->socket->m_writeQueue->Outstanding() == 0;
    });
  }));
}

}  // namespace
