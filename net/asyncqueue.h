// The asynchronous operation queue of a socket: a worker thread runs the
// blocking half of each operation (connect, send, receive) in order, and the
// main thread delivers each completion, in the same order, from inside
// rv_asyncevent_UpdateAsyncEvents.
//
// The ring (256 slots, at most 255 outstanding) is shared by the main thread
// and one worker without locks. Index ownership:
//   put      - written by the main thread (enqueue), read by the worker
//   done     - written by the worker (after executing), read by the main thread
//   complete - main thread only
// Slots [done, put) wait to execute; slots [complete, done) wait for their
// completion. Publication uses release stores and acquire loads: an
// operation written into its slot is visible to the worker before the put
// index that publishes it, and an operation's results (its count, whether it
// connected) are visible to the main thread before the done index that says
// it has run. A slot is cleared once its completion is delivered, so
// finished operations and their buffers can be collected.
//
// A worker ends when it catches up with put; an enqueue that raced with that
// ending is picked up by the next update, which restarts the worker.
// The worker side (p_Execute__UNSAFE__) touches only the operation's own
// fields, the native socket and the bytes of the operation's buffer; see
// net/thread.h for the rules it follows.
#pragma once

#include <atomic>

#include "net/asyncevent.h"
#include "net/databuffer.h"
#include "net/native_socket.h"
#include "net/thread.h"

class c_Socket;

class c_IOnConnectComplete : public gc_interface {
 public:
  virtual int p_OnConnectComplete(bool connected, c_Socket* socket) = 0;
};

class c_IOnSendComplete : public gc_interface {
 public:
  virtual int p_OnSendComplete(c_DataBuffer* data, int offset, int count, c_Socket* socket) = 0;
};

class c_IOnReceiveComplete : public gc_interface {
 public:
  virtual int p_OnReceiveComplete(c_DataBuffer* data, int offset, int count,
                                  c_Socket* socket) = 0;
};

class c_AsyncOp : public Object {
 public:
  c_AsyncOp* m_new() { return this; }
  virtual int p_Complete(c_Socket* socket) = 0;               // main thread
  virtual int p_Execute__UNSAFE__(c_Socket* socket) = 0;      // worker thread
};

class c_AsyncConnectOp : public c_AsyncOp {
 public:
  RvSocket* m_native = nullptr;
  String m_host;  // read by the worker only to make its own copy
  int m_port = 0;
  c_IOnConnectComplete* m_listener = nullptr;
  bool m_connected = false;

  c_AsyncConnectOp* m_new(RvSocket* native, String host, int port,
                          c_IOnConnectComplete* listener);
  int p_Execute__UNSAFE__(c_Socket* socket) override;
  int p_Complete(c_Socket* socket) override;
  void mark() override;
};

class c_AsyncSocketIoOp : public c_AsyncOp {
 public:
  RvSocket* m_native = nullptr;
  c_DataBuffer* m_buffer = nullptr;
  int m_offset = 0;
  int m_count = 0;  // asked for; after execution the bytes moved, or -1

  c_AsyncSocketIoOp* m_new(RvSocket* native, c_DataBuffer* buffer, int offset, int count);
  void mark() override;
};

class c_AsyncSendOp : public c_AsyncSocketIoOp {
 public:
  c_IOnSendComplete* m_listener = nullptr;

  c_AsyncSendOp* m_new(RvSocket* native, c_DataBuffer* buffer, int offset, int count,
                       c_IOnSendComplete* listener);
  int p_Execute__UNSAFE__(c_Socket* socket) override;
  int p_Complete(c_Socket* socket) override;
  void mark() override;
};

class c_AsyncReceiveOp : public c_AsyncSocketIoOp {
 public:
  c_IOnReceiveComplete* m_listener = nullptr;

  c_AsyncReceiveOp* m_new(RvSocket* native, c_DataBuffer* buffer, int offset, int count,
                          c_IOnReceiveComplete* listener);
  int p_Execute__UNSAFE__(c_Socket* socket) override;
  int p_Complete(c_Socket* socket) override;
  void mark() override;
};

class c_AsyncQueue : public c_Thread, public c_IAsyncEventSource {
 public:
  static constexpr int kRingSlots = 256;  // at most kRingSlots - 1 outstanding

  c_Socket* m_socket = nullptr;
  Array<c_AsyncOp*> m_ring;

  c_AsyncQueue* m_new(c_Socket* socket);
  // Main thread. Raises "AsyncQueue queue overflow!" when the operation would
  // be the 256th outstanding one.
  int p_Enqueue(c_AsyncOp* op);
  void Run__UNSAFE__() override;
  int p_UpdateAsyncEvents() override;
  void mark() override;

  // Operations enqueued and not yet delivered (main thread).
  int Outstanding() const;
  // Operations enqueued and not yet run by the worker (main thread).
  int WaitingToRun() const;

 private:
  std::atomic<int> put_{0};
  int complete_ = 0;
  std::atomic<int> done_{0};
};
