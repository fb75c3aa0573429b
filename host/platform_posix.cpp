// POSIX implementation of the platform contract (Linux).
#include "host/platform.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <malloc.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

extern char** environ;

namespace platform {

// ---- Paths ------------------------------------------------------------------
// To the kernel a path is bytes; to the framework, UTF-16 units. Bytes that
// form UTF-8 become their characters (those above U+FFFF as surrogate
// pairs); any other byte b becomes the lone surrogate U+DC00 + b, which
// decoded UTF-8 never yields, and turns back into b on the way out. So a
// path read here reaches the kernel again byte for byte, whatever the
// install folder is called.
namespace {

String PathFromBytes(const unsigned char* p, std::size_t n) {
  std::u16string out;
  out.reserve(n);
  for (std::size_t i = 0; i < n;) {
    const unsigned c = p[i];
    if (c < 0x80) {
      out.push_back((char16_t)c);
      ++i;
      continue;
    }
    const int extra = c >= 0xc2 && c <= 0xdf ? 1 : c >= 0xe0 && c <= 0xef ? 2
                    : c >= 0xf0 && c <= 0xf4 ? 3 : 0;
    unsigned cp = c & (0x3fu >> extra);
    bool ok = extra > 0 && i + extra < n;
    for (int k = 1; ok && k <= extra; ++k) {
      ok = (p[i + k] & 0xc0) == 0x80;
      cp = cp << 6 | (p[i + k] & 0x3f);
    }
    // Overlong forms, surrogates and code points past U+10FFFF are no UTF-8.
    static const unsigned kLeast[4] = {0, 0x80, 0x800, 0x10000};
    if (ok && (cp < kLeast[extra] || (cp >= 0xd800 && cp <= 0xdfff) || cp > 0x10ffff)) ok = false;
    if (!ok) {
      out.push_back((char16_t)(0xdc00 + c));
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      out.push_back((char16_t)(0xd800 + ((cp - 0x10000) >> 10)));
      out.push_back((char16_t)(0xdc00 + ((cp - 0x10000) & 0x3ff)));
    } else {
      out.push_back((char16_t)cp);
    }
    i += 1 + extra;
  }
  return String(out.data(), (int)out.size());
}

std::string PathToBytes(const String& path) {
  std::string out;
  out.reserve(path.Length());
  const int n = path.Length();
  for (int i = 0; i < n; ++i) {
    unsigned c = (unsigned)path[i] & 0xffff;
    if (c >= 0xd800 && c <= 0xdbff && i + 1 < n && ((unsigned)path[i + 1] & 0xfc00) == 0xdc00) {
      unsigned cp = 0x10000 + ((c - 0xd800) << 10) + (((unsigned)path[++i] & 0xffff) - 0xdc00);
      out.push_back((char)(0xf0 | cp >> 18));
      out.push_back((char)(0x80 | ((cp >> 12) & 0x3f)));
      out.push_back((char)(0x80 | ((cp >> 6) & 0x3f)));
      out.push_back((char)(0x80 | (cp & 0x3f)));
    } else if (c >= 0xdc80 && c <= 0xdcff) {
      out.push_back((char)(c - 0xdc00));  // a byte that was not UTF-8
    } else if (c < 0x80) {
      out.push_back((char)c);
    } else if (c < 0x800) {
      out.push_back((char)(0xc0 | c >> 6));
      out.push_back((char)(0x80 | (c & 0x3f)));
    } else {
      out.push_back((char)(0xe0 | c >> 12));
      out.push_back((char)(0x80 | ((c >> 6) & 0x3f)));
      out.push_back((char)(0x80 | (c & 0x3f)));
    }
  }
  return out;
}

}  // namespace

String ExecutablePath() {
  char buf[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return String();
  return PathFromBytes(reinterpret_cast<const unsigned char*>(buf), (std::size_t)n);
}

FILE* OpenFile(const String& path, const String& mode) {
  std::string p = PathToBytes(path);
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

// ---- Atomic file replacement ----------------------------------------------
// The new contents go to "<name>.tmp-<pid>-<n>" in the target's directory
// (created exclusively, so two savers never share one), are written with
// every write checked, fsync'ed and closed, then renamed over the target;
// the directory is fsync'ed so the rename itself survives a power cut. A
// process killed mid-save leaves the old file and a stray temporary; the next
// successful save removes temporaries whose process is gone.
//
// Decisions: the temporary is created 0666 less the umask, or with the old
// file's permission bits when there is one; a symbolic link to an existing
// file is followed, so the link stays and its target is replaced; when the
// target is a directory, or the rename fails, nothing is replaced and the
// result is -1 like a file that cannot be created.
namespace {

bool write_all(int fd, const char* p, std::size_t n) {
  while (n > 0) {
    ssize_t w = write(fd, p, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (w == 0) return false;
    p += w;
    n -= (std::size_t)w;
  }
  return true;
}

std::string dir_of(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string base_of(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Removes "<base>.tmp-<pid>-<n>" files in dir whose writer no longer runs.
void remove_stale_temporaries(const std::string& dir, const std::string& base) {
  DIR* d = opendir(dir.c_str());
  if (!d) return;
  std::string prefix = base + ".tmp-";
  while (dirent* e = readdir(d)) {
    if (std::strncmp(e->d_name, prefix.c_str(), prefix.size()) != 0) continue;
    char* end = nullptr;
    long pid = std::strtol(e->d_name + prefix.size(), &end, 10);
    if (pid <= 0 || !end || *end != '-') continue;
    if (pid == (long)getpid()) continue;
    if (kill((pid_t)pid, 0) == 0 || errno != ESRCH) continue;
    unlinkat(dirfd(d), e->d_name, 0);
  }
  closedir(d);
}

}  // namespace

int WriteFileAtomically(const String& path, const void* bytes, std::size_t size) {
  std::string target = PathToBytes(path);
  if (target.empty() || target.find('\0') != std::string::npos) return -1;
  struct stat st;
  bool exists = false;
  if (lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    char* real = realpath(target.c_str(), nullptr);
    if (real) {
      target = real;
      std::free(real);
    }
  }
  if (stat(target.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return -1;
    exists = true;
  }
  std::string dir = dir_of(target);

  static unsigned counter = 0;
  std::string tmp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    tmp = target + ".tmp-" + std::to_string((long)getpid()) + "-" + std::to_string(counter++);
    fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return -1;
  }
  if (fd < 0) return -1;
  if (exists) fchmod(fd, st.st_mode & 07777);

  bool ok = write_all(fd, static_cast<const char*>(bytes), size);
  ok = fsync(fd) == 0 && ok;
  ok = close(fd) == 0 && ok;
  if (!ok) {
    unlink(tmp.c_str());
    return -2;
  }
  if (rename(tmp.c_str(), target.c_str()) != 0) {
    unlink(tmp.c_str());
    return -1;
  }
  int dfd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    fsync(dfd);
    close(dfd);
  }
  remove_stale_temporaries(dir, base_of(target));
  return 0;
}

double Seconds() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return (double)ts.tv_sec + ts.tv_nsec * 1e-9;
}

void KeepFreedMemory() {
#ifdef __GLIBC__
  mallopt(M_TRIM_THRESHOLD, 32 << 20);
#endif
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

bool OpenUrl(const char* url) {
  // Other schemes (file:, custom handlers) could start arbitrary programs.
  if (!IsWebUrl(url)) return false;
  // xdg-open with the URL as one argument: no shell ever sees it.
  char* args[] = {const_cast<char*>("xdg-open"), const_cast<char*>(url), nullptr};
  pid_t pid;
  if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, args, environ) != 0) return false;
  // Reap it in the background so no zombie is left.
  StartThread([](void* p) { waitpid((pid_t)(intptr_t)p, nullptr, 0); }, (void*)(intptr_t)pid);
  return true;
}

void SocketStartup() {
  // Writing to a socket the peer has closed must fail, not kill the process.
  static bool done = [] {
    signal(SIGPIPE, SIG_IGN);
    return true;
  }();
  (void)done;
}

namespace {

sockaddr_in to_sockaddr(const IPv4Endpoint& e) {
  sockaddr_in sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sin_family = AF_INET;
  sa.sin_port = htons((uint16_t)e.port);
  sa.sin_addr.s_addr = e.address;
  return sa;
}

IPv4Endpoint from_sockaddr(const sockaddr_in& sa) {
  IPv4Endpoint e;
  e.address = sa.sin_addr.s_addr;
  e.port = ntohs(sa.sin_port);
  return e;
}

// Retries a call interrupted by a signal.
template <class F>
auto retry(F call) -> decltype(call()) {
  for (;;) {
    auto r = call();
    if (r >= 0 || errno != EINTR) return r;
  }
}

int clamp_result(ssize_t n) { return n < 0 ? -1 : (int)n; }

}  // namespace

SocketHandle OpenSocket(SocketKind kind) {
  int s = kind == SocketKind::kTcp ? socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP)
                                   : socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
  if (s < 0) return kNoSocket;
  if (kind == SocketKind::kTcp) {
    int one = 1;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  }
  return s;
}

void CloseSocket(SocketHandle s) {
  if (s >= 0) close(s);
}

void ShutdownSocket(SocketHandle s) {
  if (s >= 0) shutdown(s, SHUT_RDWR);
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

bool BindSocket(SocketHandle s, const IPv4Endpoint& at) {
  sockaddr_in sa = to_sockaddr(at);
  return bind(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
}

bool ConnectSocket(SocketHandle s, const IPv4Endpoint& to) {
  sockaddr_in sa = to_sockaddr(to);
  // A connect interrupted by a signal goes on in the background; it must
  // not be restarted (that fails with EALREADY), so EINTR is a failure here.
  return connect(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
}

bool ListenSocket(SocketHandle s, int backlog) { return listen(s, backlog) == 0; }

SocketHandle AcceptSocket(SocketHandle s) {
  int a = retry([&] { return accept4(s, nullptr, nullptr, SOCK_CLOEXEC); });
  return a < 0 ? kNoSocket : a;
}

int SocketSend(SocketHandle s, const void* bytes, int count) {
  return clamp_result(retry([&] { return send(s, bytes, (std::size_t)count, MSG_NOSIGNAL); }));
}

int SocketReceive(SocketHandle s, void* bytes, int count) {
  return clamp_result(retry([&] { return recv(s, bytes, (std::size_t)count, 0); }));
}

int SocketSendTo(SocketHandle s, const void* bytes, int count, const IPv4Endpoint& to) {
  sockaddr_in sa = to_sockaddr(to);
  return clamp_result(retry([&] {
    return sendto(s, bytes, (std::size_t)count, MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&sa),
                  sizeof sa);
  }));
}

int SocketReceiveFrom(SocketHandle s, void* bytes, int count, IPv4Endpoint* from) {
  sockaddr_in sa;
  std::memset(&sa, 0, sizeof sa);
  socklen_t len = sizeof sa;
  int n = clamp_result(retry([&] {
    len = sizeof sa;
    return recvfrom(s, bytes, (std::size_t)count, 0, reinterpret_cast<sockaddr*>(&sa), &len);
  }));
  if (n >= 0 && from) *from = from_sockaddr(sa);
  return n;
}

bool SocketLocalEndpoint(SocketHandle s, IPv4Endpoint* at) {
  sockaddr_in sa;
  socklen_t len = sizeof sa;
  if (getsockname(s, reinterpret_cast<sockaddr*>(&sa), &len) != 0 || sa.sin_family != AF_INET) {
    return false;
  }
  *at = from_sockaddr(sa);
  return true;
}

bool SocketRemoteEndpoint(SocketHandle s, IPv4Endpoint* at) {
  sockaddr_in sa;
  socklen_t len = sizeof sa;
  if (getpeername(s, reinterpret_cast<sockaddr*>(&sa), &len) != 0 || sa.sin_family != AF_INET) {
    return false;
  }
  *at = from_sockaddr(sa);
  return true;
}

}  // namespace platform
