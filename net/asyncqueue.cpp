// The async queue and its operations. See asyncqueue.h for the ring's
// publication rules; each atomic below is commented with the side it pairs
// with.
#include "net/asyncqueue.h"

#include "net/errors.h"
#include "net/socket.h"

namespace {

constexpr int kRingMask = c_AsyncQueue::kRingSlots - 1;

}  // namespace

// ---- Operations -------------------------------------------------------------

c_AsyncConnectOp* c_AsyncConnectOp::m_new(RvSocket* native, String host, int port,
                                          c_IOnConnectComplete* listener) {
  gc_assign(m_native, native);
  m_host = host;
  m_port = port;
  gc_assign(m_listener, listener);
  return this;
}

int c_AsyncConnectOp::p_Execute__UNSAFE__(c_Socket*) {
  // m_host was set before the operation was published and the main thread
  // never changes it; the worker reads it once to make its own copy, which
  // it alone holds and drops. The empty string is never copied here (its
  // representation is shared): an empty host fails at once.
  if (m_host.Empty()) {
    m_connected = false;
    return 0;
  }
  String host = RvThread::Strdup(m_host);
  m_connected = m_native->Connect(host, m_port);
  return 0;
}

int c_AsyncConnectOp::p_Complete(c_Socket* socket) {
  // A socket closed while the connect ran stays closed.
  if (m_connected && socket->p_IsOpen()) socket->m_state |= c_Socket::kConnectedPair;
  if (m_listener) m_listener->p_OnConnectComplete(m_connected, socket);
  return 0;
}

void c_AsyncConnectOp::mark() {
  c_AsyncOp::mark();
  gc_mark_q(m_native);
  gc_mark_q(m_listener);
}

c_AsyncSocketIoOp* c_AsyncSocketIoOp::m_new(RvSocket* native, c_DataBuffer* buffer, int offset,
                                            int count) {
  gc_assign(m_native, native);
  gc_assign(m_buffer, buffer);
  m_offset = offset;
  m_count = count;
  return this;
}

void c_AsyncSocketIoOp::mark() {
  c_AsyncOp::mark();
  gc_mark_q(m_native);
  gc_mark_q(m_buffer);
}

c_AsyncSendOp* c_AsyncSendOp::m_new(RvSocket* native, c_DataBuffer* buffer, int offset,
                                    int count, c_IOnSendComplete* listener) {
  c_AsyncSocketIoOp::m_new(native, buffer, offset, count);
  gc_assign(m_listener, listener);
  return this;
}

int c_AsyncSendOp::p_Execute__UNSAFE__(c_Socket*) {
  m_count = m_native->Send(m_buffer, m_offset, m_count);
  return 0;
}

int c_AsyncSendOp::p_Complete(c_Socket* socket) {
  if (m_listener) m_listener->p_OnSendComplete(m_buffer, m_offset, m_count, socket);
  return 0;
}

void c_AsyncSendOp::mark() {
  c_AsyncSocketIoOp::mark();
  gc_mark_q(m_listener);
}

c_AsyncReceiveOp* c_AsyncReceiveOp::m_new(RvSocket* native, c_DataBuffer* buffer, int offset,
                                          int count, c_IOnReceiveComplete* listener) {
  c_AsyncSocketIoOp::m_new(native, buffer, offset, count);
  gc_assign(m_listener, listener);
  return this;
}

int c_AsyncReceiveOp::p_Execute__UNSAFE__(c_Socket*) {
  m_count = m_native->Receive(m_buffer, m_offset, m_count);
  return 0;
}

int c_AsyncReceiveOp::p_Complete(c_Socket* socket) {
  if (m_listener) m_listener->p_OnReceiveComplete(m_buffer, m_offset, m_count, socket);
  return 0;
}

void c_AsyncReceiveOp::mark() {
  c_AsyncSocketIoOp::mark();
  gc_mark_q(m_listener);
}

// ---- The queue --------------------------------------------------------------

c_AsyncQueue* c_AsyncQueue::m_new(c_Socket* socket) {
  c_Thread::m_new();
  gc_assign(m_socket, socket);
  m_ring = Array<c_AsyncOp*>(kRingSlots);
  return this;
}

int c_AsyncQueue::p_Enqueue(c_AsyncOp* op) {
  int put = put_.load(std::memory_order_relaxed);  // only this thread writes it
  int next = (put + 1) & kRingMask;
  // Checked before publishing: a full ring would look empty to the worker.
  if (next == complete_) rvError(String(net_errors::kQueueOverflow));
  gc_assign(m_ring[put], op);
  // Pairs with the worker's acquire load: the slot is written first.
  put_.store(next, std::memory_order_release);
  Start();
  return 0;
}

void c_AsyncQueue::Run__UNSAFE__() {
  int done = done_.load(std::memory_order_relaxed);  // only this thread writes it
  // Pairs with p_Enqueue's release: the slot is visible once put is.
  while (done != put_.load(std::memory_order_acquire)) {
    m_ring[done]->p_Execute__UNSAFE__(m_socket);
    done = (done + 1) & kRingMask;
    // Pairs with p_UpdateAsyncEvents' acquire: the results are visible first.
    done_.store(done, std::memory_order_release);
  }
}

int c_AsyncQueue::p_UpdateAsyncEvents() {
  int done = done_.load(std::memory_order_acquire);
  // A worker that ended just as an operation was enqueued: start another.
  if (done != put_.load(std::memory_order_relaxed)) Start();
  // Only what had run when this update began: completions that enqueue more
  // work cannot keep one update busy.
  while (complete_ != done) {
    c_AsyncOp* op = m_ring[complete_];
    m_ring[complete_] = nullptr;  // the worker is past this slot
    complete_ = (complete_ + 1) & kRingMask;
    op->p_Complete(m_socket);
  }
  return 0;
}

int c_AsyncQueue::Outstanding() const {
  return (put_.load(std::memory_order_relaxed) - complete_) & kRingMask;
}

int c_AsyncQueue::WaitingToRun() const {
  return (put_.load(std::memory_order_relaxed) - done_.load(std::memory_order_acquire)) &
         kRingMask;
}

void c_AsyncQueue::mark() {
  c_Thread::mark();
  gc_mark_q(m_socket);
  gc_mark_q(m_ring);
}
