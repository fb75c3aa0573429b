// Windows implementation of the platform contract (MinGW-w64 or MSVC).
//
// Paths stay UTF-16 from the framework's strings to the wide Win32 calls, so
// an install folder with any letters (an emoji, a space, Cyrillic) works.
// Threads are started with _beginthreadex: it is CreateThread plus the C
// runtime's per-thread set-up, and the workers call fopen, errno and the
// like. Sockets are Winsock 2 handles, started once.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <objbase.h>
#include <process.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

#include "host/platform.h"

namespace platform {

namespace {

static_assert(sizeof(wchar_t) == sizeof(Char), "framework strings are UTF-16 units");

std::wstring wide(const String& s) {
  return std::wstring(reinterpret_cast<const wchar_t*>(s.Data()), (std::size_t)s.Length());
}

std::wstring wide_from_utf8(const char* s) {
  int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, s, -1, nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring w((std::size_t)n, L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, s, -1, &w[0], n);
  w.resize((std::size_t)n - 1);
  return w;
}

// A GUI program has no console. When it was started from one, or with its
// output redirected, the console lines ("Settings Loaded", runtime errors)
// must still reach the caller: std handles the parent already gave us are
// kept; missing ones are taken from the parent's console when there is one.
void reopen(FILE* stream, DWORD which, const wchar_t* device, const wchar_t* mode) {
  HANDLE h = GetStdHandle(which);
  if (h != nullptr && h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_UNKNOWN) return;
  if (_wfreopen(device, mode, stream)) setvbuf(stream, nullptr, _IONBF, 0);
}

struct ConsoleAttach {
  ConsoleAttach() {
    auto valid = [](DWORD which) {
      HANDLE h = GetStdHandle(which);
      return h != nullptr && h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_UNKNOWN;
    };
    if (valid(STD_OUTPUT_HANDLE) && valid(STD_ERROR_HANDLE)) return;
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
    reopen(stdout, STD_OUTPUT_HANDLE, L"CONOUT$", L"w");
    reopen(stderr, STD_ERROR_HANDLE, L"CONOUT$", L"w");
  }
} console_attach;

}  // namespace

String ExecutablePath() {
  // Long paths exceed MAX_PATH; grow until the name fits.
  std::wstring buf(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, &buf[0], (DWORD)buf.size());
    if (n == 0) return String();
    if (n < buf.size()) {
      for (DWORD i = 0; i < n; ++i) {
        if (buf[i] == L'\\') buf[i] = L'/';
      }
      return String(reinterpret_cast<const Char*>(buf.data()), (int)n);
    }
    if (buf.size() >= 32768) return String();
    buf.resize(buf.size() * 2);
  }
}

FILE* OpenFile(const String& path, const String& mode) {
  std::wstring p = wide(path), m = wide(mode);
  if (p.empty() || p.find(L'\0') != std::wstring::npos || m.find(L'\0') != std::wstring::npos) {
    return nullptr;
  }
  DWORD attributes = GetFileAttributesW(p.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return nullptr;
  }
  return _wfopen(p.c_str(), m.c_str());
}

// ---- Atomic file replacement ----------------------------------------------
// As on POSIX: "<name>.tmp-<pid>-<n>" is created exclusively beside the
// target, written with every write checked, flushed to disk and moved over
// the target with MOVEFILE_WRITE_THROUGH, so the rename is on disk when the
// call returns. A process killed mid-save leaves the old file and a stray
// temporary, which the next successful save removes once its writer is gone.
namespace {

bool process_is_running(DWORD pid) {
  HANDLE p = OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (!p) return GetLastError() != ERROR_INVALID_PARAMETER;
  bool running = WaitForSingleObject(p, 0) == WAIT_TIMEOUT;
  CloseHandle(p);
  return running;
}

void remove_stale_temporaries(const std::wstring& target) {
  std::size_t slash = target.find_last_of(L"/\\");
  std::wstring dir = slash == std::wstring::npos ? L"" : target.substr(0, slash + 1);
  std::wstring prefix = target.substr(slash == std::wstring::npos ? 0 : slash + 1) + L".tmp-";
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((dir + prefix + L"*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const wchar_t* rest = found.cFileName + prefix.size();
    wchar_t* end = nullptr;
    unsigned long pid = std::wcstoul(rest, &end, 10);
    if (pid == 0 || end == rest || *end != L'-' || pid == GetCurrentProcessId()) continue;
    if (!process_is_running((DWORD)pid)) DeleteFileW((dir + found.cFileName).c_str());
  } while (FindNextFileW(find, &found));
  FindClose(find);
}

}  // namespace

int WriteFileAtomically(const String& path, const void* bytes, std::size_t size) {
  std::wstring target = wide(path);
  if (target.empty() || target.find(L'\0') != std::wstring::npos) return -1;
  DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return -1;

  static volatile LONG counter = 0;
  std::wstring tmp;
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
    tmp = target + L".tmp-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
          std::to_wstring(InterlockedIncrement(&counter));
    file = CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) return -1;
  }
  if (file == INVALID_HANDLE_VALUE) return -1;

  bool ok = true;
  const char* p = static_cast<const char*>(bytes);
  while (ok && size > 0) {
    DWORD chunk = size > (1u << 30) ? (1u << 30) : (DWORD)size, wrote = 0;
    ok = WriteFile(file, p, chunk, &wrote, nullptr) && wrote > 0;
    p += wrote;
    size -= wrote;
  }
  ok = FlushFileBuffers(file) && ok;
  ok = CloseHandle(file) && ok;
  if (!ok) {
    DeleteFileW(tmp.c_str());
    return -2;
  }
  if (!MoveFileExW(tmp.c_str(), target.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileW(tmp.c_str());
    return -1;
  }
  remove_stale_temporaries(target);
  return 0;
}

double Seconds() {
  static const LONGLONG frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f.QuadPart;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  // Whole seconds and the remainder apart: no precision lost after long uptimes.
  return (double)(now.QuadPart / frequency) + (double)(now.QuadPart % frequency) / (double)frequency;
}

// The Windows heap gives memory back in its own time; nothing to ask.
void KeepFreedMemory() {}

void Sleep(double seconds) {
  if (seconds <= 0) return;
  // A high-resolution waitable timer (Windows 10 1803 and later) sleeps to
  // about 0.5 ms; elsewhere the scheduler tick is raised to 1 ms once.
  if (HANDLE timer = CreateWaitableTimerExW(nullptr, nullptr, 0x2 /* HIGH_RESOLUTION */,
                                            TIMER_ALL_ACCESS)) {
    LARGE_INTEGER due;
    due.QuadPart = -(LONGLONG)(seconds * 1e7);  // relative, 100 ns units
    bool waited = SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE) &&
                  WaitForSingleObject(timer, INFINITE) == WAIT_OBJECT_0;
    CloseHandle(timer);
    if (waited) return;
  }
  static const bool fine_ticks = [] {
    HMODULE winmm = LoadLibraryW(L"winmm.dll");
    auto begin = winmm ? reinterpret_cast<UINT(WINAPI*)(UINT)>(
                             reinterpret_cast<void*>(GetProcAddress(winmm, "timeBeginPeriod")))
                       : nullptr;
    return begin && begin(1) == 0;
  }();
  (void)fine_ticks;
  ::Sleep((DWORD)(seconds * 1000.0 + 0.5));
}

namespace {

struct thread_start {
  void (*fn)(void*);
  void* arg;
};

unsigned __stdcall thread_main(void* p) {
  thread_start start = *static_cast<thread_start*>(p);
  delete static_cast<thread_start*>(p);
  start.fn(start.arg);
  return 0;
}

}  // namespace

bool StartThread(void (*fn)(void* arg), void* arg) {
  auto* start = new thread_start{fn, arg};
  uintptr_t thread = _beginthreadex(nullptr, 0, thread_main, start, 0, nullptr);
  if (thread == 0) {
    delete start;
    return false;
  }
  CloseHandle(reinterpret_cast<HANDLE>(thread));
  return true;
}

bool OpenUrl(const char* url) {
  if (!IsWebUrl(url)) return false;
  std::wstring* w = new std::wstring(wide_from_utf8(url));
  if (w->empty()) {
    delete w;
    return false;
  }
  // ShellExecuteW may take a while and wants COM on its thread: run it on a
  // worker so the game never waits. The URL is one argument, no shell.
  bool started = StartThread(
      [](void* p) {
        std::wstring* u = static_cast<std::wstring*>(p);
        HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        ShellExecuteW(nullptr, L"open", u->c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        if (SUCCEEDED(com)) CoUninitialize();
        delete u;
      },
      w);
  if (!started) delete w;
  return started;
}

// ---- Sockets ----------------------------------------------------------------
// SOCKET values are kernel handles, which fit in 32 bits; kNoSocket is
// INVALID_SOCKET narrowed the same way.

void SocketStartup() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  (void)started;
}

namespace {

SOCKET handle(SocketHandle s) { return (SOCKET)(uintptr_t)(unsigned)s; }

sockaddr_in to_sockaddr(const IPv4Endpoint& e) {
  sockaddr_in sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sin_family = AF_INET;
  sa.sin_port = htons((u_short)e.port);
  sa.sin_addr.s_addr = e.address;
  return sa;
}

IPv4Endpoint from_sockaddr(const sockaddr_in& sa) {
  IPv4Endpoint e;
  e.address = sa.sin_addr.s_addr;
  e.port = ntohs(sa.sin_port);
  return e;
}

int clamp_result(int n) { return n == SOCKET_ERROR ? -1 : n; }

}  // namespace

SocketHandle OpenSocket(SocketKind kind) {
  SocketStartup();
  bool tcp = kind == SocketKind::kTcp;
  SOCKET s = WSASocketW(AF_INET, tcp ? SOCK_STREAM : SOCK_DGRAM, tcp ? IPPROTO_TCP : IPPROTO_UDP,
                        nullptr, 0, WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
  if (s == INVALID_SOCKET) return kNoSocket;
  if (tcp) {
    BOOL one = TRUE;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
  }
  return (SocketHandle)(unsigned)s;
}

void CloseSocket(SocketHandle s) {
  if (s != kNoSocket) closesocket(handle(s));
}

void ShutdownSocket(SocketHandle s) {
  if (s == kNoSocket) return;
  shutdown(handle(s), SD_BOTH);
  // A receive already blocked on another thread is not woken by shutdown on
  // every Windows version: cancel it; SocketReceive reports that as a close.
  CancelIoEx(reinterpret_cast<HANDLE>(handle(s)), nullptr);
}

bool ResolveIPv4(const char* host, uint32_t* address) {
  SocketStartup();
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
  // As on POSIX, a second bind of a port in use fails.
  BOOL one = TRUE;
  setsockopt(handle(s), SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&one),
             sizeof one);
  return bind(handle(s), reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
}

bool ConnectSocket(SocketHandle s, const IPv4Endpoint& to) {
  sockaddr_in sa = to_sockaddr(to);
  return connect(handle(s), reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
}

bool ListenSocket(SocketHandle s, int backlog) { return listen(handle(s), backlog) == 0; }

SocketHandle AcceptSocket(SocketHandle s) {
  SOCKET a = accept(handle(s), nullptr, nullptr);
  return a == INVALID_SOCKET ? kNoSocket : (SocketHandle)(unsigned)a;
}

int SocketSend(SocketHandle s, const void* bytes, int count) {
  return clamp_result(send(handle(s), static_cast<const char*>(bytes), count, 0));
}

int SocketReceive(SocketHandle s, void* bytes, int count) {
  int n = recv(handle(s), static_cast<char*>(bytes), count, 0);
  if (n != SOCKET_ERROR) return n;
  int error = WSAGetLastError();
  bool shut = error == WSA_OPERATION_ABORTED || error == WSAEINTR || error == WSAESHUTDOWN;
  return shut ? 0 : -1;
}

int SocketSendTo(SocketHandle s, const void* bytes, int count, const IPv4Endpoint& to) {
  sockaddr_in sa = to_sockaddr(to);
  return clamp_result(sendto(handle(s), static_cast<const char*>(bytes), count, 0,
                             reinterpret_cast<sockaddr*>(&sa), sizeof sa));
}

int SocketReceiveFrom(SocketHandle s, void* bytes, int count, IPv4Endpoint* from) {
  sockaddr_in sa;
  std::memset(&sa, 0, sizeof sa);
  int len = sizeof sa;
  int n = clamp_result(recvfrom(handle(s), static_cast<char*>(bytes), count, 0,
                                reinterpret_cast<sockaddr*>(&sa), &len));
  if (n >= 0 && from) *from = from_sockaddr(sa);
  return n;
}

namespace {
// getsockname or getpeername: the endpoint, when it is an IPv4 one.
bool endpoint_of(SocketHandle s, IPv4Endpoint* at, int (WSAAPI* query)(SOCKET, sockaddr*, int*)) {
  sockaddr_in sa;
  int len = sizeof sa;
  if (query(handle(s), reinterpret_cast<sockaddr*>(&sa), &len) != 0 || sa.sin_family != AF_INET) {
    return false;
  }
  *at = from_sockaddr(sa);
  return true;
}
}  // namespace

bool SocketLocalEndpoint(SocketHandle s, IPv4Endpoint* at) { return endpoint_of(s, at, getsockname); }
bool SocketRemoteEndpoint(SocketHandle s, IPv4Endpoint* at) { return endpoint_of(s, at, getpeername); }

}  // namespace platform
