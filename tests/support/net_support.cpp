#include "support/net_support.h"

#include "support/process.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <linux/sockios.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <stdexcept>

#include "net/asyncevent.h"

namespace testing_support {

namespace {

class RootSet : public Object {
 public:
  Array<Object*> items;
  int count = 0;
  void mark() override { gc_mark_q(items); }
};

RootSet* root_set = nullptr;
rv_module net_test_roots(
    1000, [] { gc_assign(root_set, new RootSet()); }, [] { gc_mark_q(root_set); });

}  // namespace

Object* KeepObject(Object* object) {
  if (root_set->count == root_set->items.Length()) {
    root_set->items = root_set->items.Resize(root_set->count * 2 + 16);
  }
  gc_assign(root_set->items[root_set->count++], object);
  return object;
}

bool PumpUntil(const std::function<bool()>& done, double timeout_seconds) {
  int round = 0;
  return WaitUntil([&] {
    if (done()) return true;
    rv_asyncevent_UpdateAsyncEvents();
    ++round % 8 == 0 ? ForceCollection(1, false) : gc_collect();
    return false;
  }, timeout_seconds, 0.0005);
}

namespace {

sockaddr_in loopback(int port) {
  sockaddr_in sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sin_family = AF_INET;
  sa.sin_port = htons((uint16_t)port);
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return sa;
}

}  // namespace

int RefusingPort(int* port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("socket failed");
  sockaddr_in sa = loopback(0);
  if (bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
    throw std::runtime_error("bind failed");
  }
  socklen_t len = sizeof sa;
  getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
  *port = ntohs(sa.sin_port);
  return fd;
}

static int ListenLoopback(int backlog, int* port) {
  int fd = RefusingPort(port);
  if (listen(fd, backlog) != 0) throw std::runtime_error("listen failed");
  return fd;
}

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += (std::size_t)n;
  }
  return true;
}

std::string ReadUntil(int fd, const std::string& marker) {
  std::string got;
  char c;
  while (got.size() < marker.size() ||
         got.compare(got.size() - marker.size(), marker.size(), marker) != 0) {
    if (recv(fd, &c, 1, 0) != 1) break;
    got.push_back(c);
  }
  return got;
}

std::string ReadToEnd(int fd) {
  std::string got;
  char buf[4096];
  for (;;) {
    ssize_t n = recv(fd, buf, sizeof buf, 0);
    if (n <= 0) break;
    got.append(buf, (std::size_t)n);
  }
  return got;
}

void ResetOnClose(int fd) {
  int unacked = 0;
  while (ioctl(fd, SIOCOUTQ, &unacked) == 0 && unacked > 0) std::this_thread::yield();
  linger l;
  l.l_onoff = 1;
  l.l_linger = 0;
  setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
}

LoopbackServer::LoopbackServer(std::function<void(int)> handler, int backlog)
    : handler_(std::move(handler)) {
  listener_ = ListenLoopback(backlog, &port_);
  acceptor_ = std::thread([this] {
    for (;;) {
      int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (stopping_.load()) {
        if (fd >= 0) close(fd);
        return;
      }
      if (fd < 0) continue;
      std::lock_guard<std::mutex> lock(mutex_);
      open_.push_back(fd);
      connections_.emplace_back([this, fd] {
        handler_(fd);
        std::lock_guard<std::mutex> lock(mutex_);
        open_.erase(std::find(open_.begin(), open_.end(), fd));
        close(fd);
      });
    }
  });
}

LoopbackServer::~LoopbackServer() {
  stopping_.store(true);
  shutdown(listener_, SHUT_RDWR);
  acceptor_.join();
  close(listener_);
  std::vector<std::thread> connections;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (int fd : open_) shutdown(fd, SHUT_RDWR);
    connections.swap(connections_);
  }
  for (auto& t : connections) t.join();
}

}  // namespace testing_support
