// Sockets against real servers on 127.0.0.1: native sockets, connects that
// succeed, are refused or name a host that does not resolve, sends and
// receives in order, operations in the wrong state, the queue's limit, and
// the event pump's re-entrancy and late sources.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "net/errors.h"
#include "net/socket.h"
#include "support/net_support.h"
#include "support/printers.h"

namespace {

using testing_support::Keep;
using testing_support::LoopbackServer;
using testing_support::PumpFor;
using testing_support::PumpUntil;

// A name DNS cannot even encode (a label longer than 63 characters): the
// lookup fails on this machine without any query leaving it.
const String kUnresolvable(std::string(70, 'x').c_str());

// Records every callback in order.
class Log : public Object,
            public c_IOnConnectComplete,
            public c_IOnSendComplete,
            public c_IOnReceiveComplete {
 public:
  std::vector<std::string> events;
  std::string received;
  int connects = 0;
  bool connected = false;
  std::function<void()> on_connect;
  std::function<void(int count)> on_send;

  int p_OnConnectComplete(bool ok, c_Socket*) override {
    ++connects;
    connected = ok;
    events.push_back(ok ? "connect ok" : "connect failed");
    if (on_connect) on_connect();
    return 0;
  }
  int p_OnSendComplete(c_DataBuffer*, int offset, int count, c_Socket*) override {
    events.push_back("send " + std::to_string(offset) + " " + std::to_string(count));
    if (on_send) on_send(count);
    return 0;
  }
  int p_OnReceiveComplete(c_DataBuffer* data, int offset, int count, c_Socket*) override {
    events.push_back("receive " + std::to_string(count));
    if (count > 0) received.append(reinterpret_cast<char*>(data->data) + offset, (std::size_t)count);
    return 0;
  }
};

c_DataBuffer* Text(const std::string& s) {
  c_DataBuffer* b = (new c_DataBuffer())->m_new((int)s.size());
  for (std::size_t i = 0; i < s.size(); ++i) b->data[i] = (unsigned char)s[i];
  return b;
}

c_Socket* Stream() { return Keep((new c_Socket())->m_new(String("stream"))); }

// Connects a new stream socket to the port and pumps until it completes.
c_Socket* Connected(int port, Log* log) {
  c_Socket* s = Stream();
  s->p_ConnectAsync(String("127.0.0.1"), port, log);
  EXPECT_TRUE(PumpUntil([&] { return log->connects > 0; }));
  EXPECT_TRUE(s->p_IsConnected());
  return s;
}

// ---- Native sockets ---------------------------------------------------------

TEST(NetNativeSocket, StreamServerAndDatagramOnLoopback) {
  RvSocket* server = Keep(new RvSocket());
  ASSERT_TRUE(server->Open(RvSocket::kServer));
  EXPECT_FALSE(server->Open(RvSocket::kServer));  // already open
  ASSERT_TRUE(server->Bind(String("127.0.0.1"), 0));
  ASSERT_TRUE(server->Listen(4));
  RvSocketAddress* at = Keep(new RvSocketAddress());
  ASSERT_TRUE(server->GetLocalAddress(at));
  at->Validate();
  EXPECT_EQ(at->host, String("127.0.0.1"));
  ASSERT_GT(at->port, 0);

  RvSocket* client = Keep(new RvSocket());
  ASSERT_TRUE(client->Open(RvSocket::kStream));
  ASSERT_TRUE(client->Connect(String("localhost"), at->port));  // looked up in /etc/hosts
  ASSERT_TRUE(server->Accept());
  RvSocket* peer = Keep(server->Accepted());
  ASSERT_NE(peer, nullptr);
  EXPECT_EQ(server->Accepted(), nullptr);  // handed over once

  c_DataBuffer* out = Keep(Text("ping!"));
  c_DataBuffer* in = Keep((new c_DataBuffer())->m_new(16));
  EXPECT_EQ(client->Send(out, 0, 5), 5);
  EXPECT_EQ(peer->Receive(in, 2, 100), 5);  // clipped to the buffer's room
  EXPECT_EQ(std::string(reinterpret_cast<char*>(in->data) + 2, 5), "ping!");
  RvSocketAddress* remote = Keep(new RvSocketAddress());
  ASSERT_TRUE(peer->GetRemoteAddress(remote));
  remote->Validate();
  EXPECT_EQ(remote->host, String("127.0.0.1"));
  // Offsets outside the buffer are refused, not sent from.
  EXPECT_EQ(client->Send(out, -1, 2), -1);
  EXPECT_EQ(client->Send(out, 6, 1), -1);
  client->Close();
  EXPECT_EQ(peer->Receive(in, 0, 16), 0);  // orderly close
  EXPECT_EQ(client->Send(out, 0, 5), -1);  // closed

  RvSocket* a = Keep(new RvSocket());
  RvSocket* b = Keep(new RvSocket());
  ASSERT_TRUE(a->Open(RvSocket::kDatagram));
  ASSERT_TRUE(b->Open(RvSocket::kDatagram));
  ASSERT_TRUE(b->Bind(String("127.0.0.1"), 0));
  RvSocketAddress* b_at = Keep(new RvSocketAddress());
  ASSERT_TRUE(b->GetLocalAddress(b_at));
  EXPECT_EQ(a->SendTo(out, 1, 3, b_at), 3);
  RvSocketAddress* from = Keep(new RvSocketAddress());
  EXPECT_EQ(b->ReceiveFrom(in, 0, 16, from), 3);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(in->data), 3), "ing");
  EXPECT_FALSE(from->valid);
  from->Validate();
  EXPECT_EQ(from->host, String("127.0.0.1"));
  EXPECT_FALSE((new RvSocket())->Open(0));
  EXPECT_FALSE((new RvSocket())->Open(4));
}

TEST(NetNativeSocket, UnresolvableHostsAndBadPortsFailInsteadOfUsingAnyAddress) {
  // A server on 127.0.0.1: the "any" address would reach it on Linux.
  LoopbackServer server([](int) {});
  RvSocket* s = Keep(new RvSocket());
  ASSERT_TRUE(s->Open(RvSocket::kStream));
  EXPECT_FALSE(s->Connect(kUnresolvable, server.Port()));
  EXPECT_FALSE(s->Connect(String(), server.Port()));
  EXPECT_FALSE(s->Connect(String("127.0.0.1\0evil", 14), server.Port()));
  EXPECT_FALSE(s->Connect(String(u"h\u00e9\u4e00"), server.Port()));
  EXPECT_FALSE(s->Connect(String(std::string(1500, 'a').c_str()), server.Port()));
  EXPECT_FALSE(s->Connect(String("127.0.0.1"), server.Port() + 65536));
  EXPECT_FALSE(s->Connect(String("127.0.0.1"), -1));
  EXPECT_EQ(server.Accepted(), 0);

  RvSocketAddress* a = Keep(new RvSocketAddress());
  EXPECT_FALSE(a->Set(kUnresolvable, 80));
  a->Validate();
  EXPECT_EQ(a->host, String("0.0.0.0"));
  EXPECT_TRUE(a->Set(String("127.0.0.1"), 8080));
  a->Validate();
  EXPECT_EQ(a->host, String("127.0.0.1"));
  EXPECT_EQ(a->port, 8080);
  RvSocketAddress* copy = Keep(new RvSocketAddress());
  copy->Set(a);
  EXPECT_FALSE(copy->valid);
  copy->Validate();
  EXPECT_EQ(copy->port, 8080);
}

// ---- Connect ----------------------------------------------------------------

TEST(NetSocketConnect, SucceedsAndMarksTheSocketConnected) {
  LoopbackServer server([](int fd) { testing_support::ReadToEnd(fd); });
  Log* log = Keep(new Log());
  c_Socket* s = Stream();
  EXPECT_EQ(s->m_state, c_Socket::kOpen);
  int state_seen_by_listener = -1;
  log->on_connect = [&] { state_seen_by_listener = s->m_state; };
  s->p_ConnectAsync(String("127.0.0.1"), server.Port(), log);
  EXPECT_EQ(log->connects, 0);  // only ever from inside the pump
  ASSERT_TRUE(PumpUntil([&] { return log->connects > 0; }));
  EXPECT_TRUE(log->connected);
  EXPECT_EQ(state_seen_by_listener, 1 | 2 | 4);  // already connected in the callback
  EXPECT_TRUE(s->p_IsConnected());
  // Connecting again while connected does nothing at all.
  s->p_ConnectAsync(String("127.0.0.1"), server.Port(), log);
  PumpFor(0.1);
  EXPECT_EQ(log->connects, 1);
  s->p_Close();
}

TEST(NetSocketConnect, RefusedOrUnresolvableFailsAndLeavesTheSocketOpen) {
  int port = 0;
  int refusing = testing_support::RefusingPort(&port);
  Log* log = Keep(new Log());
  c_Socket* s = Stream();
  s->p_ConnectAsync(String("127.0.0.1"), port, log);
  ASSERT_TRUE(PumpUntil([&] { return log->connects > 0; }));
  EXPECT_FALSE(log->connected);
  EXPECT_EQ(s->m_state, c_Socket::kOpen);
  close(refusing);

  LoopbackServer server([](int) {});
  Log* log2 = Keep(new Log());
  c_Socket* s2 = Stream();
  s2->p_ConnectAsync(kUnresolvable, server.Port(), log2);
  ASSERT_TRUE(PumpUntil([&] { return log2->connects > 0; }));
  EXPECT_FALSE(log2->connected);
  EXPECT_EQ(s2->m_state, c_Socket::kOpen);
  Log* log3 = Keep(new Log());
  Stream()->p_ConnectAsync(String(), server.Port(), log3);
  ASSERT_TRUE(PumpUntil([&] { return log3->connects > 0; }));
  EXPECT_FALSE(log3->connected);
  PumpFor(0.05);
  EXPECT_EQ(server.Accepted(), 0);
}

// ---- Send and receive -------------------------------------------------------

TEST(NetSocketIo, TwoSendsCompleteInOrderEachWithItsOwnCount) {
  std::string got;
  std::atomic<bool> closed{false};
  LoopbackServer server([&](int fd) {
    got = testing_support::ReadToEnd(fd);
    closed = true;
  });
  Log* log = Keep(new Log());
  c_Socket* s = Connected(server.Port(), log);
  c_DataBuffer* first = Keep(Text("first-"));
  c_DataBuffer* second = Keep(Text("xxsecondyy"));
  s->p_SendAsync(first, 0, 6, log);
  s->p_SendAsync(second, 2, 6, log);
  ASSERT_TRUE(PumpUntil([&] { return log->events.size() == 3; }));
  EXPECT_EQ(log->events[1], "send 0 6");
  EXPECT_EQ(log->events[2], "send 2 6");
  s->p_Close();
  ASSERT_TRUE(PumpUntil([&] { return closed.load(); }));
  EXPECT_EQ(got, "first-second");
}

TEST(NetSocketIo, SendBeforeTheConnectCompletesDoesNothing) {
  std::string got;
  std::atomic<bool> closed{false};
  LoopbackServer server([&](int fd) {
    got = testing_support::ReadToEnd(fd);
    closed = true;
  });
  Log* log = Keep(new Log());
  c_Socket* s = Stream();
  c_DataBuffer* early = Keep(Text("early"));
  s->p_SendAsync(early, 0, 5, log);  // not even connecting yet
  s->p_ConnectAsync(String("127.0.0.1"), server.Port(), log);
  s->p_SendAsync(early, 0, 5, log);  // connecting, not connected
  s->p_ReceiveAsync(early, 0, 5, log);
  ASSERT_TRUE(PumpUntil([&] { return log->connects > 0; }));
  PumpFor(0.1);
  s->p_Close();
  ASSERT_TRUE(PumpUntil([&] { return closed.load(); }));
  ASSERT_EQ(log->events.size(), 1u);
  EXPECT_EQ(log->events[0], "connect ok");
  EXPECT_EQ(got, "");
}

TEST(NetSocketIo, ReceivesWhatTheServerSendsThenZeroAtClose) {
  LoopbackServer server([](int fd) { testing_support::WriteAll(fd, "hello, client"); });
  Log* log = Keep(new Log());
  c_Socket* s = Connected(server.Port(), log);
  c_DataBuffer* in = Keep((new c_DataBuffer())->m_new(64));
  // Receives are issued again until the close, each into the same buffer.
  int receives = 0;
  bool ended = false;
  class Again : public Object, public c_IOnReceiveComplete {
   public:
    std::function<void(int)> fn;
    int p_OnReceiveComplete(c_DataBuffer*, int, int count, c_Socket*) override {
      fn(count);
      return 0;
    }
  };
  Again* again = Keep(new Again());
  std::string text;
  again->fn = [&](int count) {
    ++receives;
    if (count <= 0) {
      ended = true;
      return;
    }
    text.append(reinterpret_cast<char*>(in->data) + 4, (std::size_t)count);
    s->p_ReceiveAsync(in, 4, 60, again);
  };
  s->p_ReceiveAsync(in, 4, 60, again);
  ASSERT_TRUE(PumpUntil([&] { return ended; }));
  EXPECT_EQ(text, "hello, client");
  EXPECT_GE(receives, 2);
  EXPECT_TRUE(s->p_IsConnected());  // a close by the peer is only reported
}

TEST(NetSocketIo, FailedSendReachesTheListenerAsMinusOne) {
  LoopbackServer server([](int fd) {
    testing_support::ResetOnClose(fd);  // the server closes it after this
  });
  Log* log = Keep(new Log());
  c_Socket* s = Connected(server.Port(), log);
  // The pending receive ends when the reset arrives.
  c_DataBuffer* in = Keep((new c_DataBuffer())->m_new(4));
  s->p_ReceiveAsync(in, 0, 4, log);
  ASSERT_TRUE(PumpUntil([&] { return log->events.size() == 2; }));
  EXPECT_TRUE(log->events[1] == "receive -1" || log->events[1] == "receive 0") << log->events[1];
  c_DataBuffer* out = Keep(Text("after the reset"));
  s->p_SendAsync(out, 0, 15, log);
  ASSERT_TRUE(PumpUntil([&] { return log->events.size() == 3; }));
  EXPECT_EQ(log->events[2], "send 0 -1");
  EXPECT_TRUE(s->p_IsOpen());  // not closed for it
}

TEST(NetSocketIo, ClosingWithAReceivePendingWakesTheWorker) {
  LoopbackServer server([](int fd) { testing_support::ReadToEnd(fd); });
  Log* log = Keep(new Log());
  c_Socket* s = Connected(server.Port(), log);
  c_DataBuffer* in = Keep((new c_DataBuffer())->m_new(8));
  s->p_ReceiveAsync(in, 0, 8, log);
  PumpFor(0.05);
  s->p_Close();
  EXPECT_EQ(s->m_state, 0);
  ASSERT_TRUE(PumpUntil([&] { return log->events.size() == 2; }));
  EXPECT_TRUE(log->events[1] == "receive 0" || log->events[1] == "receive -1") << log->events[1];
  EXPECT_EQ(s->m_readQueue->Outstanding(), 0);
}

// ---- The queue's limit ------------------------------------------------------

TEST(NetSocketQueueDeathTest, TheTwoHundredFiftySixthOutstandingOperationOverflows) {
  // The server never sends: the first receive blocks the worker and the
  // others wait behind it, none completes.
  LoopbackServer server([](int fd) { testing_support::ReadToEnd(fd); });
  Log* log = Keep(new Log());
  c_Socket* s = Connected(server.Port(), log);
  c_DataBuffer* in = Keep((new c_DataBuffer())->m_new(4));
  for (int i = 0; i < 255; ++i) s->p_ReceiveAsync(in, 0, 4, log);
  EXPECT_EQ(s->m_readQueue->Outstanding(), 255);
  EXPECT_RUNTIME_ERROR(s->p_ReceiveAsync(in, 0, 4, log), net_errors::kQueueOverflow);
  // Delivered and freed, the slots can be used again.
  s->p_Close();
  ASSERT_TRUE(PumpUntil([&] { return s->m_readQueue->Outstanding() == 0; }));
  EXPECT_EQ(log->events.size(), 256u);
}

TEST(NetSocketDeathTest, ProtocolNamesAreExact) {
  EXPECT_RUNTIME_ERROR((new c_Socket())->m_new(String("Stream")), net_errors::kIllegalProtocol);
  EXPECT_EQ(Keep((new c_Socket())->m_new(String("server")))->m_protocol, RvSocket::kServer);
  EXPECT_EQ(Keep((new c_Socket())->m_new(String("datagram")))->m_protocol, RvSocket::kDatagram);
}

// ---- The event pump ---------------------------------------------------------

TEST(NetAsyncEvents, AListenerPumpingEventsItselfDoesNotReenter) {
  std::string got;
  std::atomic<bool> closed{false};
  LoopbackServer server([&](int fd) {
    got = testing_support::ReadToEnd(fd);
    closed = true;
  });
  Log* log = Keep(new Log());
  c_Socket* s = Connected(server.Port(), log);
  c_DataBuffer* a = Keep(Text("aaa"));
  c_DataBuffer* b = Keep(Text("bbb"));
  bool nested = false;
  log->on_send = [&](int) {
    if (nested) return;
    nested = true;
    log->events.push_back("nested begin");
    rv_asyncevent_UpdateAsyncEvents();
    rv_asyncevent_UpdateAsyncEvents();
    log->events.push_back("nested end");
  };
  s->p_SendAsync(a, 0, 3, log);
  s->p_SendAsync(b, 0, 3, log);
  // Both sends run before any completion is delivered: the nested pump would
  // find the second one ready.
  for (int i = 0; i < 5000 && s->m_writeQueue->WaitingToRun() > 0; ++i) {
    testing_support::SleepSeconds(0.001);
  }
  ASSERT_EQ(s->m_writeQueue->WaitingToRun(), 0);
  rv_asyncevent_UpdateAsyncEvents();
  std::vector<std::string> want = {"connect ok", "send 0 3", "nested begin", "nested end",
                                   "send 0 3"};
  EXPECT_EQ(log->events, want);
  EXPECT_EQ(rv_asyncevent__current, nullptr);
  s->p_Close();
}

class TracingSocket : public c_Socket {
 public:
  std::vector<std::string>* trace = nullptr;
  std::string name;
  int p_UpdateAsyncEvents() override {
    trace->push_back("update " + name);
    return c_Socket::p_UpdateAsyncEvents();
  }
};

TEST(NetAsyncEvents, ASocketCreatedInACallbackIsUpdatedInTheSamePass) {
  LoopbackServer server([](int fd) { testing_support::ReadToEnd(fd); });
  std::vector<std::string> trace;
  Log* log = Keep(new Log());
  TracingSocket* first = Keep(new TracingSocket());
  first->trace = &trace;
  first->name = "first";
  first->m_new(String("stream"));
  TracingSocket* late = nullptr;
  log->on_connect = [&] {
    trace.push_back("callback");
    late = Keep(new TracingSocket());
    late->trace = &trace;
    late->name = "late";
    late->m_new(String("stream"));
  };
  first->p_ConnectAsync(String("127.0.0.1"), server.Port(), log);
  ASSERT_TRUE(PumpUntil([&] { return log->connects > 0; }));
  // The pass that delivered the callback went on to the new socket.
  auto callback = std::find(trace.begin(), trace.end(), "callback");
  ASSERT_NE(callback, trace.end());
  ASSERT_NE(callback + 1, trace.end());
  EXPECT_EQ(*(callback + 1), "update late");
  first->p_Close();
}

TEST(NetAsyncEventsDeathTest, ASourceAddedTwiceIsARuntimeError) {
  c_Socket* s = Stream();  // registered by its constructor
  EXPECT_RUNTIME_ERROR(rv_asyncevent_AddAsyncEventSource(s), net_errors::kSourceActive);
}

// ---- The collector and pending work -----------------------------------------

TEST(NetSocketIo, PendingOperationsKeepTheirListenerAndBuffersAlive) {
  // Nothing but the socket's operations holds the listener and the buffers;
  // the pump forces flips, and the verifier checks that every reachable
  // object was marked. The listener is read only while an operation that
  // holds it is pending.
  std::string got;
  std::atomic<bool> closed{false};
  LoopbackServer server([&](int fd) {
    testing_support::WriteAll(fd, "reply");
    got = testing_support::ReadToEnd(fd);
    closed = true;
  });
  Log* log = new Log();  // not kept
  c_Socket* s = Stream();
  log->on_connect = [s, log] {
    for (int i = 0; i < 20; ++i) s->p_SendAsync(Text("0123456789"), 0, 10, log);
    s->p_ReceiveAsync((new c_DataBuffer())->m_new(5), 0, 5, log);
    s->p_ReceiveAsync((new c_DataBuffer())->m_new(5), 0, 5, log);  // stays pending
  };
  s->p_ConnectAsync(String("127.0.0.1"), server.Port(), log);
  ASSERT_TRUE(PumpUntil([&] { return log->events.size() == 22; }));
  PumpFor(0.1);
  EXPECT_EQ(log->received, "reply");
  EXPECT_EQ(std::count(log->events.begin(), log->events.end(), "send 0 10"), 20);
  s->p_Close();
  ASSERT_TRUE(PumpUntil([&] { return closed.load(); }));
  EXPECT_EQ(got.size(), 200u);
}

}  // namespace
