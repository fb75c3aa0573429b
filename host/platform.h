// The operating-system contract. Everything the framework needs from the OS
// beyond GLFW, OpenGL and OpenAL goes through here; platform_posix.cpp
// implements it for Linux. A Windows port adds platform_win32.cpp and
// nothing else moves.
#pragma once

#include <cstdint>
#include <cstdio>

#include "runtime/string.h"

namespace platform {

// Full path of the running executable with '/' separators ("" if unknown).
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

// Starts a detached thread running fn(arg); false when it could not start.
bool StartThread(void (*fn)(void* arg), void* arg);

// Asks the desktop to open a URL; never blocks, never goes through a shell.
void OpenUrl(const char* url);

// --- Sockets (IPv4, BSD-style handles; -1 is no socket) -------------------
using SocketHandle = int;
constexpr SocketHandle kNoSocket = -1;
void SocketStartup();  // once per process
void CloseSocket(SocketHandle s);
// Resolves an IPv4 host name with a reentrant lookup; false when it does not
// resolve. The address is in network byte order.
bool ResolveIPv4(const char* host, uint32_t* address);

}  // namespace platform
