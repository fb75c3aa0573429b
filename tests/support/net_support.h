// Helpers for the networking tests: loopback servers on threads of the test
// process (127.0.0.1), the event pump a frame loop runs, and test roots.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "runtime/kestro.h"
#include "support/checks.h"

namespace testing_support {

// Test locals are not roots: what the pump's collector must spare is kept here.
Object* KeepObject(Object* object);
template <class T>
T* Keep(T* object) {
  KeepObject(object);
  return object;
}

// What a frame loop runs (async events, a collector step, a forced flip every
// few rounds so the verifier checks pending operations) until done().
bool PumpUntil(const std::function<bool()>& done, double timeout_seconds = 10);

// A port bound by the returned socket, which does not listen: connects are refused.
int RefusingPort(int* port);
bool WriteAll(int fd, const std::string& bytes);
// Reads until `marker` was seen (inclusive) or the peer closed.
std::string ReadUntil(int fd, const std::string& marker);
std::string ReadToEnd(int fd);
// Waits until the peer has every byte sent; closing then sends a reset.
void ResetOnClose(int fd);

// Runs the handler for each connection on a thread of its own, then closes it.
class LoopbackServer {
 public:
  explicit LoopbackServer(std::function<void(int fd)> handler, int backlog = 16);
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;
  int Port() const { return port_; }

 private:
  std::function<void(int)> handler_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread acceptor_;
  std::mutex mutex_;
  std::vector<std::thread> connections_;
  std::vector<int> open_;  // connections whose handler runs
};

}  // namespace testing_support
