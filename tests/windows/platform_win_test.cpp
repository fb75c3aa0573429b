// The Windows platform layer on a real Windows API (Wine in the test run).
//   platform_win_test.exe PORT        every check; PORT serves /data/probe.txt
//   platform_win_test.exe save-loop F  saves two contents into F by turns
//                                      until killed (the interrupted saver)
// scripts/test-windows copies the program into a folder whose name has
// non-ASCII letters, an emoji and a space, with data/probe.txt beside it.
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <string>

#include "host/platform.h"
#include "net/asyncevent.h"
#include "net/http.h"
#include "runtime/kestro.h"

namespace {

int passed = 0, failed = 0;

void check(bool ok, const char* what) {
  std::printf("%s: %s\n", ok ? "ok" : "FAILED", what);
  ++(ok ? passed : failed);
}

bool wait_until(const std::function<bool()>& done, double seconds = 30) {
  double deadline = platform::Seconds() + seconds;
  while (!done()) {
    if (platform::Seconds() > deadline) return false;
    platform::Sleep(0.002);
  }
  return true;
}

std::wstring wide(const String& s) {
  return std::wstring(reinterpret_cast<const wchar_t*>(s.Data()), (std::size_t)s.Length());
}

std::string read(const String& path) {
  FILE* f = platform::OpenFile(path, String("rb"));
  if (!f) return "<missing>";
  std::string bytes;
  char buf[65536];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) bytes.append(buf, n);
  std::fclose(f);
  return bytes;
}

bool save(const String& path, const std::string& bytes) {
  return platform::WriteFileAtomically(path, bytes.data(), bytes.size()) == 0;
}

int count_temporaries(const String& dir) {
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((wide(dir) + L"/*.tmp-*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return 0;
  int n = 0;
  do ++n; while (FindNextFileW(find, &found));
  FindClose(find);
  return n;
}

const std::string kOld(300000, 'o'), kNew(700001, 'n');

// Kills a saver mid-stream a few times: each time the file is whole.
void interrupted_saves(const String& file, const String& dir) {
  save(file, kOld);
  std::wstring self = wide(platform::ExecutablePath()), target = wide(file);
  bool whole = true;
  for (int round = 0; round < 3; ++round) {
    std::wstring command = L"\"" + self + L"\" save-loop \"" + target + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
      check(false, "the saver starts");
      return;
    }
    // Kill it once it has replaced the file with the other content.
    std::string before = read(file);
    wait_until([&] { return read(file) != before; });
    TerminateProcess(pi.hProcess, 9);
    WaitForSingleObject(pi.hProcess, INFINITE);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    std::string after = read(file);
    whole = whole && (after == kOld || after == kNew);
  }
  check(whole, "a saver killed mid-save leaves the old or the new file, whole");
  check(save(file, "after") && read(file) == "after" && count_temporaries(dir) == 0,
        "the next save succeeds and removes the killed saver's temporaries");
}

class Listener : public Object, public c_IOnHttpRequestComplete {
 public:
  int calls = 0;
  int p_OnHttpRequestComplete(c_HttpRequest*) override { return ++calls; }
};

void sockets_and_http(int http_port) {
  platform::SocketStartup();
  uint32_t address = 0;
  check(platform::ResolveIPv4("localhost", &address) && address == htonl(INADDR_LOOPBACK),
        "localhost resolves to 127.0.0.1");

  using namespace platform;
  SocketHandle server = OpenSocket(SocketKind::kTcp), client = OpenSocket(SocketKind::kTcp);
  IPv4Endpoint at{htonl(INADDR_LOOPBACK), 0};
  bool listening = BindSocket(server, at) && ListenSocket(server, 1) &&
                   SocketLocalEndpoint(server, &at) && at.port > 0;
  bool connected = listening && ConnectSocket(client, at);
  SocketHandle peer = connected ? AcceptSocket(server) : kNoSocket;
  char buf[8] = {};
  bool carried = peer != kNoSocket && SocketSend(client, "ping", 4) == 4 &&
                 SocketReceive(peer, buf, sizeof buf) == 4 && std::string(buf, 4) == "ping";
  check(carried, "a loopback TCP connection carries bytes");

  // Shutdown from this thread wakes a receive blocked on a worker.
  static std::atomic<int> woke{-2};
  static std::atomic<bool> receiving{false};
  static SocketHandle blocked;
  blocked = client;
  StartThread(
      [](void*) {
        static char into[8];
        receiving = true;
        woke = SocketReceive(blocked, into, sizeof into);
      },
      nullptr);
  wait_until([] { return receiving.load(); });
  ShutdownSocket(client);
  check(wait_until([] { return woke != -2; }, 10) && woke == 0,
        "shutting a socket down ends a receive blocked on another thread with 0");
  CloseSocket(peer);
  CloseSocket(client);
  CloseSocket(server);

  Listener* listener = new Listener();
  String url(("http://127.0.0.1:" + std::to_string(http_port) + "/data/probe.txt").c_str());
  c_HttpRequest* request = (new c_HttpRequest())->m_new2(String("GET"), url, listener);
  request->p_Send();
  bool done = wait_until([&] {
    rv_asyncevent_UpdateAsyncEvents();
    return listener->calls > 0;
  });
  check(done && request->p_Status() == 200 && request->p_ResponseText().ToUtf8() == "probe data\n",
        "an HTTP GET from a server on 127.0.0.1 through the framework's client");
}

}  // namespace

int wmain_checks(int http_port) {
  String exe = platform::ExecutablePath();
  String dir = exe.Slice(0, exe.FindLast(String("/")));
  bool non_ascii = false;
  for (int i = 0; i < dir.Length(); ++i) non_ascii = non_ascii || dir[i] > 0x7f;
  check(non_ascii && exe.Find(String("\\")) == -1, "the executable's path is kept wide, with '/'");
  check(read(dir + String("/data/probe.txt")) == "probe data\n",
        "data beside the executable loads from a non-ASCII folder");

  const wchar_t* name = L"/saves \u00e9t\u00e9 \u2713";
  String saves = dir + String(reinterpret_cast<const Char*>(name), (int)wcslen(name));
  CreateDirectoryW(wide(saves).c_str(), nullptr);
  String state = saves + String("/.kestrostate");
  check(save(state, "one") && save(state, "two\r\n\xff") && read(state) == "two\r\n\xff" &&
            count_temporaries(saves) == 0,
        "a save replaces the file with exactly the bytes given and leaves no temporary");
  check(platform::WriteFileAtomically(saves, "x", 1) == -1 && read(state) == "two\r\n\xff",
        "a save onto a folder fails with -1 and changes nothing");
  interrupted_saves(state, saves);

  std::atomic<bool> ran{false};
  check(platform::StartThread([](void* p) { *static_cast<std::atomic<bool>*>(p) = true; }, &ran) &&
            wait_until([&] { return ran.load(); }),
        "a worker thread runs");

  sockets_and_http(http_port);

  bool refused = true;
  for (const char* url : {"file:///C:/windows/system32/calc.exe", "calc.exe", "javascript:x",
                          "ftp://127.0.0.1/", "http:/x", "https://", "http://a\nb", "mailto:a@b"}) {
    refused = refused && !platform::OpenUrl(url);
  }
  check(refused && platform::IsWebUrl("HTTPS://example.org/") && !platform::OpenUrl(nullptr),
        "OpenUrl refuses every URL that is not http: or https:");

  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "save-loop") {
    int n = 0;
    LPWSTR* wargv = CommandLineToArgvW(GetCommandLineW(), &n);
    String file(reinterpret_cast<const Char*>(wargv[2]), (int)wcslen(wargv[2]));
    for (int i = 0;; ++i) save(file, i % 2 ? kOld : kNew);
  }
  if (argc != 2) {
    std::fprintf(stderr, "usage: platform_win_test PORT | save-loop FILE\n");
    return 2;
  }
  gc_init_lists();
  rvInit();
  gc_mark();
  return wmain_checks(std::atoi(argv[1]));
}
