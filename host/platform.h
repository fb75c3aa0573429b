// The operating-system contract. Everything the framework needs from the OS
// beyond GLFW, OpenGL and OpenAL goes through here; platform_posix.cpp
// implements it for Linux, platform_win32.cpp for Windows; the build picks
// one.
#pragma once

#include <cstdint>
#include <cstdio>

#include "runtime/string.h"

namespace platform {

// Full path of the running executable with '/' separators ("" if unknown).
// Paths keep the OS's exact name: one handed back to OpenFile or
// WriteFileAtomically names the same file, whatever the folders are called
// (on POSIX a byte b that is not part of UTF-8 comes as the unit 0xDC00 + b
// and is written back as b).
String ExecutablePath();

// Opens a file; path and mode are framework strings (UTF-16 units).
FILE* OpenFile(const String& path, const String& mode);

// Replaces `path` with `bytes` so that a crash at any moment leaves either
// the complete old file or the complete new one: a temporary file in the same
// directory is written, flushed to disk and renamed over the old one.
// Returns 0, -1 when no file could be created, -2 when a write failed.
int WriteFileAtomically(const String& path, const void* bytes, std::size_t size);

// Seconds on a monotonic clock with sub-microsecond resolution.
double Seconds();
void Sleep(double seconds);

// Lets the C heap keep memory freed at its top for the next allocation
// instead of handing it back to the OS at once. The GL driver (Mesa's
// llvmpipe) takes and frees several hundred KB in a frame that switches
// texturing often, and every page handed back costs a fault when it is taken
// again. Called once, at start-up.
void KeepFreedMemory();

// Starts a detached thread running fn(arg); false when it could not start.
bool StartThread(void (*fn)(void* arg), void* arg);

// True for the only URLs handed to the desktop: "http:" or "https:" ones
// (any letter case) with something after the scheme and no control
// characters.
inline bool IsWebUrl(const char* url) {
  if (!url) return false;
  auto scheme = [url](const char* s) {
    std::size_t i = 0;
    for (; s[i]; ++i) {
      char c = url[i];
      if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
      if (c != s[i]) return std::size_t{0};
    }
    return i;
  };
  std::size_t n = scheme("http://");
  if (!n) n = scheme("https://");
  if (!n || url[n] == '\0') return false;
  for (const char* p = url; *p; ++p) {
    if ((unsigned char)*p < 0x20 || *p == 0x7f) return false;
  }
  return true;
}

// Asks the desktop to open an http: or https: URL; never blocks, never goes
// through a shell. False when the URL is refused or no opener started.
bool OpenUrl(const char* url);

// --- Sockets (IPv4, BSD-style handles; -1 is no socket) -------------------
// Blocking calls; the networking layer runs them on worker threads, so every
// one of them is reentrant and safe to call from any thread.
using SocketHandle = int;
constexpr SocketHandle kNoSocket = -1;

// An IPv4 endpoint: the address in network byte order (its four bytes are the
// dotted quad in order), the port in host order.
struct IPv4Endpoint {
  uint32_t address = 0;  // 0 is "any address"
  int port = 0;
};

enum class SocketKind { kTcp, kUdp };

void SocketStartup();  // once per process
// A new socket; TCP sockets get TCP_NODELAY. kNoSocket on failure.
SocketHandle OpenSocket(SocketKind kind);
void CloseSocket(SocketHandle s);
// Shuts both directions down: a call blocked in receive on another thread
// returns (0), a blocked send fails. The handle stays valid until closed.
void ShutdownSocket(SocketHandle s);
// Resolves an IPv4 host name with a reentrant lookup; false when it does not
// resolve. The address is in network byte order.
bool ResolveIPv4(const char* host, uint32_t* address);
bool BindSocket(SocketHandle s, const IPv4Endpoint& at);
bool ConnectSocket(SocketHandle s, const IPv4Endpoint& to);
bool ListenSocket(SocketHandle s, int backlog);
SocketHandle AcceptSocket(SocketHandle s);  // kNoSocket on failure
// One send or receive; bytes moved, 0 at an orderly close (receive), -1 on
// failure. Interrupted calls are retried; a closed peer never raises SIGPIPE.
int SocketSend(SocketHandle s, const void* bytes, int count);
int SocketReceive(SocketHandle s, void* bytes, int count);
int SocketSendTo(SocketHandle s, const void* bytes, int count, const IPv4Endpoint& to);
int SocketReceiveFrom(SocketHandle s, void* bytes, int count, IPv4Endpoint* from);
bool SocketLocalEndpoint(SocketHandle s, IPv4Endpoint* at);
bool SocketRemoteEndpoint(SocketHandle s, IPv4Endpoint* at);

}  // namespace platform
