// POSIX implementation of the platform contract (Linux).
#include "host/platform.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <limits.h>
#include <netdb.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

extern char** environ;

namespace platform {

String ExecutablePath() {
  char buf[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return String();
  // The path is UTF-8 on this platform.
  return String::FromBytes(reinterpret_cast<const unsigned char*>(buf), (std::size_t)n);
}

FILE* OpenFile(const String& path, const String& mode) {
  std::string p = path.ToUtf8();
  std::string m = mode.ToUtf8();
  if (p.empty() || p.find('\0') != std::string::npos) return nullptr;
  FILE* f = std::fopen(p.c_str(), m.c_str());
  if (f) {
    // Directories open fine on Linux but read as errors: refuse them here.
    struct stat st;
    if (fstat(fileno(f), &st) == 0 && S_ISDIR(st.st_mode)) {
      std::fclose(f);
      return nullptr;
    }
  }
  return f;
}

namespace {

bool write_all(int fd, const char* p, std::size_t n) {
  while (n > 0) {
    ssize_t w = write(fd, p, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += w;
    n -= (std::size_t)w;
  }
  return true;
}

}  // namespace

int WriteFileAtomically(const String& path, const void* bytes, std::size_t size) {
  std::string target = path.ToUtf8();
  if (target.empty()) return -1;
  std::string dir = ".";
  std::size_t slash = target.rfind('/');
  if (slash != std::string::npos) dir = slash == 0 ? "/" : target.substr(0, slash);
  std::string tmp = target + ".tmp-XXXXXX";
  int fd = mkstemp(&tmp[0]);
  if (fd < 0) return -1;
  fchmod(fd, 0644);
  bool ok = write_all(fd, static_cast<const char*>(bytes), size);
  ok = fsync(fd) == 0 && ok;
  ok = close(fd) == 0 && ok;
  if (!ok || rename(tmp.c_str(), target.c_str()) != 0) {
    unlink(tmp.c_str());
    return -2;
  }
  int dfd = open(dir.c_str(), O_RDONLY | O_DIRECTORY);
  if (dfd >= 0) {
    fsync(dfd);
    close(dfd);
  }
  return 0;
}

double Seconds() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return (double)ts.tv_sec + ts.tv_nsec * 1e-9;
}

void Sleep(double seconds) {
  if (seconds <= 0) return;
  timespec ts;
  ts.tv_sec = (time_t)seconds;
  ts.tv_nsec = (long)((seconds - (double)ts.tv_sec) * 1e9);
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

namespace {

struct thread_start {
  void (*fn)(void*);
  void* arg;
};

void* thread_main(void* p) {
  thread_start start = *static_cast<thread_start*>(p);
  delete static_cast<thread_start*>(p);
  start.fn(start.arg);
  return nullptr;
}

}  // namespace

bool StartThread(void (*fn)(void* arg), void* arg) {
  pthread_t thread;
  auto* start = new thread_start{fn, arg};
  if (pthread_create(&thread, nullptr, thread_main, start) != 0) {
    delete start;
    return false;
  }
  pthread_detach(thread);
  return true;
}

void OpenUrl(const char* url) {
  // xdg-open with the URL as one argument: no shell ever sees it.
  char* args[] = {const_cast<char*>("xdg-open"), const_cast<char*>(url), nullptr};
  pid_t pid;
  if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, args, environ) == 0) {
    // Reap it in the background so no zombie is left.
    StartThread([](void* p) { waitpid((pid_t)(intptr_t)p, nullptr, 0); },
                (void*)(intptr_t)pid);
  }
}

void SocketStartup() {
  // Writing to a socket the peer has closed must fail, not kill the process.
  static bool done = [] {
    signal(SIGPIPE, SIG_IGN);
    return true;
  }();
  (void)done;
}

void CloseSocket(SocketHandle s) {
  if (s >= 0) close(s);
}

bool ResolveIPv4(const char* host, uint32_t* address) {
  addrinfo hints;
  std::memset(&hints, 0, sizeof hints);
  hints.ai_family = AF_INET;
  addrinfo* result = nullptr;
  if (getaddrinfo(host, nullptr, &hints, &result) != 0 || !result) return false;
  *address = reinterpret_cast<sockaddr_in*>(result->ai_addr)->sin_addr.s_addr;
  freeaddrinfo(result);
  return true;
}

}  // namespace platform
