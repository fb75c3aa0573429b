// How long one call of rv_asyncevent_UpdateAsyncEvents takes (what a frame
// pays for networking) while connects to a server that never answers are
// pending on worker threads, against a baseline in the same run with no
// sockets. The server listens with a backlog of 0, never accepts, and its
// accept queue is filled first, so the system drops the connection requests
// and every connect stays blocked in its worker for the whole measurement.
//   bench_net_pump [--quick]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "net/socket.h"
#include "support/bench.h"

namespace {

using clock_type = std::chrono::steady_clock;

class Count : public Object, public c_IOnConnectComplete {
 public:
  int calls = 0;
  int p_OnConnectComplete(bool, c_Socket*) override { return ++calls; }
};

Count* counter = nullptr;
rv_module roots(1000, nullptr, [] { gc_mark_q(counter); });

sockaddr_in loopback(int port) {
  sockaddr_in sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sin_family = AF_INET;
  sa.sin_port = htons((uint16_t)port);
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return sa;
}

// Listens on 127.0.0.1 with a full accept queue; returns the port, or 0.
int silent_server(std::vector<int>* fds) {
  int l = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in sa = loopback(0);
  socklen_t len = sizeof sa;
  if (bind(l, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || listen(l, 0) != 0) return 0;
  getsockname(l, reinterpret_cast<sockaddr*>(&sa), &len);
  fds->push_back(l);
  int port = ntohs(sa.sin_port);
  sockaddr_in to = loopback(port);
  for (int i = 0; i < 8; ++i) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    fds->push_back(fd);
    if (connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0) continue;
    pollfd p = {fd, POLLOUT, 0};
    if (poll(&p, 1, 300) == 0) return port;  // this one is stuck: the queue is full
  }
  return 0;
}

struct Row {
  const char* name;
  double mean_us, p99_us, max_us;
};

Row measure(const char* name, int calls) {
  std::vector<double> us;
  us.reserve((std::size_t)calls);
  for (int i = 0; i < calls; ++i) {
    auto t = clock_type::now();
    rv_asyncevent_UpdateAsyncEvents();
    us.push_back(std::chrono::duration<double, std::micro>(clock_type::now() - t).count());
    gc_collect();
    // About a frame's pacing, compressed: let the workers run.
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  double sum = 0;
  for (double v : us) sum += v;
  std::sort(us.begin(), us.end());
  return {name, sum / calls, us[(std::size_t)(calls * 0.99)], us.back()};
}

}  // namespace

int main(int argc, char** argv) {
  bool quick = bench::Start(argc, argv);
  const int calls = quick ? 300 : 5000;
  const int sockets = 32;

  std::vector<int> fds;
  int port = silent_server(&fds);
  if (!port) {
    std::fprintf(stderr, "could not set up a silent server\n");
    return 1;
  }
  gc_assign(counter, new Count());

  std::vector<Row> rows;
  rows.push_back(measure("no sockets (baseline)", calls));
  c_Socket* first = (new c_Socket())->m_new(String("stream"));
  first->p_ConnectAsync(String("127.0.0.1"), port, counter);
  rows.push_back(measure("1 connect pending", calls));
  for (int i = 1; i < sockets; ++i) {
    (new c_Socket())->m_new(String("stream"))->p_ConnectAsync(String("127.0.0.1"), port, counter);
  }
  rows.push_back(measure("32 connects pending", calls));

  std::printf("| rv_asyncevent_UpdateAsyncEvents (%d calls) | mean us | p99 us | max us |\n", calls);
  std::printf("|---|---|---|---|\n");
  for (const Row& r : rows) {
    std::printf("| %s | %.2f | %.2f | %.2f |\n", r.name, r.mean_us, r.p99_us, r.max_us);
  }
  std::printf("\nconnects completed during the run: %d of %d (all should still be pending)\n",
              counter->calls, sockets);
  for (int fd : fds) close(fd);
  return counter->calls == 0 ? 0 : 1;
}
