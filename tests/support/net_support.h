// Helpers for the networking tests: loopback servers on threads of the test
// process (127.0.0.1, a port the system picks), the event pump a frame loop
// would run, and a root set for objects the test holds.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "runtime/kestro.h"
#include "support/checks.h"

namespace testing_support {

// ---- Objects the test holds -------------------------------------------------
// Test locals are not roots; anything that must survive a collector step the
// pump runs is kept here until the process ends.
Object* KeepObject(Object* object);
template <class T>
T* Keep(T* object) {
  KeepObject(object);
  return object;
}

// ---- The event pump ---------------------------------------------------------
// Runs what a frame loop runs: rv_asyncevent_UpdateAsyncEvents, then one
// collector step (with a forced flip every few rounds, so the collector's
// verifier checks pending operations), until done() or the timeout.
bool PumpUntil(const std::function<bool()>& done, double timeout_seconds = 10);

// ---- Raw loopback sockets (POSIX, test side only) ---------------------------
// A port on 127.0.0.1 bound by the returned socket, which does not listen:
// a connect there is refused.
int RefusingPort(int* port);
bool WriteAll(int fd, const std::string& bytes);
// Reads until `marker` was seen (inclusive) or the peer closed.
std::string ReadUntil(int fd, const std::string& marker);
std::string ReadToEnd(int fd);
// Waits until the peer has every byte sent; closing then sends a reset.
void ResetOnClose(int fd);

// ---- Our own server ---------------------------------------------------------
// Accepts connections on 127.0.0.1 and runs the handler for each one on a
// thread of its own; the connection is closed after the handler returns.
class LoopbackServer {
 public:
  explicit LoopbackServer(std::function<void(int fd)> handler, int backlog = 16);
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;
  int Port() const { return port_; }
  int Accepted() const { return accepted_.load(); }

 private:
  std::function<void(int)> handler_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<int> accepted_{0};
  std::thread acceptor_;
  std::mutex mutex_;
  std::vector<std::thread> connections_;
  std::vector<int> open_;  // connections whose handler runs
};

// A server that never answers: it listens with a backlog of 0, never accepts,
// and fills its accept queue with connections of its own, so the system drops
// every further connection request and a connect to it stays pending (the
// client retries for minutes). Close() stops listening: the next retry of a
// pending connect is refused.
class SilentServer {
 public:
  SilentServer();
  ~SilentServer();
  SilentServer(const SilentServer&) = delete;
  SilentServer& operator=(const SilentServer&) = delete;
  int Port() const { return port_; }
  void Close();

 private:
  int listener_ = -1;
  int port_ = 0;
  std::vector<int> fillers_;
};

// An HTTP server of our own: reads the request header (and a body of
// Content-Length bytes), records the request, then writes the response and
// closes.
class ScriptedHttpServer {
 public:
  explicit ScriptedHttpServer(std::string response);
  int Port() const { return server_->Port(); }
  std::string Request() const;  // the last request's bytes

 private:
  std::string response_;
  mutable std::mutex mutex_;
  std::string request_;
  std::unique_ptr<LoopbackServer> server_;
};

}  // namespace testing_support
