// The async queues under load: several sockets to an echo server, each with
// dozens of sends and receives outstanding at once, thousands of operations
// in all, while the collector flips. Every byte must come back in order.
// This is the test the ThreadSanitizer build runs (scripts/test): the ring's
// indices and the thread state are shared by the main thread and the workers.
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "net/socket.h"
#include "support/net_support.h"

namespace {

using testing_support::Keep;

constexpr int kSockets = 4;
constexpr int kSendsPerSocket = 1500;
constexpr int kSendsInFlight = 40;
constexpr int kReceivesInFlight = 8;

class EchoClient : public Object,
                   public c_IOnConnectComplete,
                   public c_IOnSendComplete,
                   public c_IOnReceiveComplete {
 public:
  c_Socket* socket = nullptr;
  int issued = 0;
  int sends_done = 0;
  int receives = 0;
  std::string sent, received;
  std::vector<std::string> errors;

  void Send() {
    int n = 1 + (issued * 7) % 64;
    c_DataBuffer* b = (new c_DataBuffer())->m_new(n + 2);
    for (int i = 0; i < n; ++i) {
      b->data[1 + i] = (unsigned char)('a' + (issued + i) % 26);
      sent.push_back((char)b->data[1 + i]);
    }
    ++issued;
    socket->p_SendAsync(b, 1, n, this);
  }
  void Receive() { socket->p_ReceiveAsync((new c_DataBuffer())->m_new(64), 0, 64, this); }

  int p_OnConnectComplete(bool ok, c_Socket*) override {
    if (!ok) errors.push_back("connect failed");
    for (int i = 0; i < kReceivesInFlight; ++i) Receive();
    for (int i = 0; i < kSendsInFlight; ++i) Send();
    return 0;
  }
  int p_OnSendComplete(c_DataBuffer*, int offset, int count, c_Socket*) override {
    if (offset != 1 || count < 1) errors.push_back("send " + std::to_string(count));
    ++sends_done;
    if (issued < kSendsPerSocket) Send();
    return 0;
  }
  int p_OnReceiveComplete(c_DataBuffer* data, int offset, int count, c_Socket*) override {
    ++receives;
    if (count <= 0) return 0;
    received.append(reinterpret_cast<char*>(data->data) + offset, (std::size_t)count);
    Receive();
    return 0;
  }
  bool Finished() const {
    return sends_done == kSendsPerSocket && received.size() == sent.size();
  }
  void mark() override { gc_mark_q(socket); }
};

TEST(NetQueueStress, ThousandsOfOperationsAcrossSeveralSockets) {
  testing_support::LoopbackServer echo([](int fd) {
    char buf[4096];
    for (;;) {
      ssize_t n = recv(fd, buf, sizeof buf, 0);
      if (n <= 0 || !testing_support::WriteAll(fd, std::string(buf, (std::size_t)n))) return;
    }
  });
  std::vector<EchoClient*> clients;
  for (int i = 0; i < kSockets; ++i) {
    EchoClient* c = Keep(new EchoClient());
    gc_assign(c->socket, (new c_Socket())->m_new(String("stream")));
    c->socket->p_ConnectAsync(String("127.0.0.1"), echo.Port(), c);
    clients.push_back(c);
  }
  auto finished = [&] {
    for (EchoClient* c : clients) {
      if (!c->Finished() || !c->errors.empty()) return false;
    }
    return true;
  };
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(90);
  for (int round = 0; !finished() && std::chrono::steady_clock::now() < deadline; ++round) {
    rv_asyncevent_UpdateAsyncEvents();
    if (round % 64 == 63) gc_ext_malloced(kGcBudgetBytes + 1);  // force a flip
    gc_collect();
    std::this_thread::yield();
  }
  int operations = 0;
  for (EchoClient* c : clients) operations += 1 + c->sends_done + c->receives;
  RecordProperty("operations", operations);
  EXPECT_GT(operations, kSockets * kSendsPerSocket);
  for (EchoClient* c : clients) {
    EXPECT_TRUE(c->errors.empty()) << c->errors.front();
    EXPECT_EQ(c->sends_done, kSendsPerSocket);
    ASSERT_EQ(c->received.size(), c->sent.size());
    EXPECT_TRUE(c->received == c->sent);
    c->socket->p_Close();
  }
  // Each close wakes its pending receives; they come back and the rings empty.
  ASSERT_TRUE(testing_support::PumpUntil([&] {
    for (EchoClient* c : clients) {
      if (c->socket->m_readQueue->Outstanding() + c->socket->m_writeQueue->Outstanding() > 0) {
        return false;
      }
    }
    return true;
  }));
}

}  // namespace
