// Native threads for blocking work: RvThread runs its Run__UNSAFE__ once per
// Start() on a new detached platform thread.
//
// The rules every worker follows (enforced by how the networking layer is
// written, and stated once here):
// - A worker never allocates a collected object and never touches the
//   collector: the collector, its lists and its write barrier are main-thread
//   only. Objects a worker uses were handed to it by the main thread, which
//   keeps them reachable until the work is finished.
// - A worker never shares a String with the main thread. String reference
//   counts are plain ints, so copying or dropping a String the main thread
//   also holds is a data race. A worker reads only String fields the main
//   thread wrote before handing the work over and does not change meanwhile,
//   and turns them into its own copy with Strdup. The empty string has one
//   shared representation, so a worker checks Empty() before copying.
// - A worker calls only reentrant C library functions (getaddrinfo, never
//   gethostbyname or inet_ntoa).
//
// The state (0 never started, 1 running, 2 finished) is written by both
// sides: 1 by Start on the main thread, 2 by the worker as its very last
// touch of the object (release), so whoever sees 2 (acquire) also sees the
// worker's results. Running threads are kept alive by the collector: Start
// registers the thread as a root until it has finished.
#pragma once

#include <atomic>

#include "runtime/kestro.h"

class RvThread : public Object {
 public:
  static constexpr int kNeverStarted = 0;
  static constexpr int kRunning = 1;
  static constexpr int kFinished = 2;

  // Does nothing while running; otherwise clears the result and runs
  // Run__UNSAFE__ on a new thread. Main thread only.
  virtual void Start();
  virtual bool IsRunning();
  virtual Object* Result();
  // From a worker, the result must be an object that stays reachable from
  // this thread object by other means (one of its fields, say): a worker
  // cannot apply the write barrier.
  virtual void SetResult(Object* result);
  virtual void Run__UNSAFE__() {}

  // A deep copy of a string: a representation of its own, for a worker.
  // An empty string gives the shared empty string (see the rules above).
  static String Strdup(const String& str);

  int State() const { return state_.load(std::memory_order_acquire); }
  void mark() override;

 private:
  static void ThreadMain(void* self);
  std::atomic<int> state_{kNeverStarted};
  std::atomic<Object*> result_{nullptr};
};

class c_Thread : public RvThread {
 public:
  c_Thread* m_new() { return this; }
};
