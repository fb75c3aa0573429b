// RvThread on the platform's detached threads, with a registry that keeps
// running threads reachable for the collector.
#include "net/thread.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "host/platform.h"
#include "net/errors.h"

namespace {

// Threads started and not yet seen finished. Main thread only (Start and the
// collector's root marking both run there).
std::vector<RvThread*>& running_threads() {
  static std::vector<RvThread*> threads;
  return threads;
}

// Queues the running threads as roots; drops the ones that have finished.
void mark_running_threads() {
  auto& threads = running_threads();
  threads.erase(std::remove_if(threads.begin(), threads.end(),
                               [](RvThread* t) { return t->State() == RvThread::kFinished; }),
                threads.end());
  for (RvThread* t : threads) gc_mark_q(t);
}

rv_module thread_roots(50, nullptr, mark_running_threads);

}  // namespace

void RvThread::Start() {
  if (state_.load(std::memory_order_acquire) == kRunning) return;
  result_.store(nullptr, std::memory_order_relaxed);
  state_.store(kRunning, std::memory_order_relaxed);
  // As if stored into a root: a thread started in mid-cycle survives the
  // flip even when nothing else refers to it.
  gc_mark_q(this);
  auto& threads = running_threads();
  if (std::find(threads.begin(), threads.end(), this) == threads.end()) threads.push_back(this);
  // Thread creation publishes everything written above to the new thread.
  if (!platform::StartThread(&RvThread::ThreadMain, this)) {
    std::fputs(net_errors::kCreateThread, stdout);
    std::fputs("\n", stdout);
    std::fflush(stdout);
    std::exit(-1);
  }
}

void RvThread::ThreadMain(void* self) {
  RvThread* thread = static_cast<RvThread*>(self);
  thread->Run__UNSAFE__();
  // The last touch of the object from this thread.
  thread->state_.store(kFinished, std::memory_order_release);
}

bool RvThread::IsRunning() { return state_.load(std::memory_order_acquire) == kRunning; }

Object* RvThread::Result() { return result_.load(std::memory_order_acquire); }

void RvThread::SetResult(Object* result) { result_.store(result, std::memory_order_release); }

String RvThread::Strdup(const String& str) {
  // String(units, n) copies into a new representation for any n > 0.
  return String(str.Data(), str.Length());
}

void RvThread::mark() {
  Object::mark();
  gc_mark_q(result_.load(std::memory_order_acquire));
}
