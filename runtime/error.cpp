// Runtime errors, console output and the debugger stop.
#include "runtime/error.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "runtime/gc.h"
#include "runtime/object.h"

int argc;
char** argv;
const char* dbg_info;
int dbg_stepmode;
int dbg_suspend;

void rvPrint(const String& text) {
  static std::string buffer;  // reused by every call
  buffer.clear();
  text.AppendUtf8(buffer);
  buffer.push_back('\n');
  std::fputs(buffer.c_str(), stdout);
  std::fflush(stdout);
}

void rvDebugLog(const String& text) { rvPrint(text); }

void dbg_print(const String& text) {
  static std::string buffer;
  buffer = text.ToCString();
  buffer.push_back('\n');
  std::fwrite(buffer.data(), 1, buffer.size(), stderr);
  std::fflush(stderr);
}

String dbg_stacktrace() {
  if (dbg_info && *dbg_info) return String(dbg_info) + String("\n");
  return String();
}

namespace {

[[noreturn]] void quit(int code) {
  std::fflush(stdout);
  std::fflush(stderr);
  std::exit(code);
}

}  // namespace

void dbg_stop() {
  std::fprintf(stderr, "{{~~%s~~}}\n", dbg_info ? dbg_info : "(null)");
  dbg_print(String());
  for (;;) {
    char line[256];
    if (!std::fgets(line, sizeof line, stdin)) quit(-1);
    char* nl = std::strchr(line, '\n');
    if (!nl) quit(-1);
    *nl = 0;
    switch (line[0]) {
      case '?':
        continue;
      case '@': {
        void* p = nullptr;
        if (std::sscanf(line + 1, "%p", &p) != 1) p = nullptr;
        // Only objects the collector knows are inspected: a typed-in address
        // is never dereferenced blindly, and an array's block, which the
        // collector knows too, is no Object and has no debug output.
        Object* obj = p && gc_is_live(p) ? dynamic_cast<Object*>(static_cast<gc_object*>(p))
                                         : nullptr;
        if (obj) {
          dbg_print(obj->debug());
        } else {
          dbg_print(String());
        }
        continue;
      }
      case 'r':
        dbg_suspend = 0;
        dbg_stepmode = 0;
        return;
      case 's':
        dbg_suspend = 1;
        dbg_stepmode = 's';
        return;
      case 'e':
        dbg_suspend = 1;
        dbg_stepmode = 'e';
        return;
      case 'l':
        dbg_suspend = 0;
        dbg_stepmode = 'l';
        return;
      case 'q':
        quit(0);
      default:
        std::printf("????? %s ?????", line);
        std::fflush(stdout);
        quit(-1);
    }
  }
}

void rvDebugStop() { dbg_stop(); }

void dbg_error(const char* message) {
  for (;;) {
    rvPrint(String("Kestro Runtime Error : ") + String(message));
    rvPrint(dbg_stacktrace());
    dbg_stop();
  }
}

void rvError(const String& message) {
  if (message.Length() == 0) quit(0);
  std::string text = message.ToCString();
  dbg_error(text.c_str());
}

void sighandler(int sig) {
  const char* text = "Unknown signal";
  if (sig == SIGFPE) text = "Floating point exception";
  if (sig == SIGSEGV) text = "Memory access violation";
  if (sig == SIGILL) text = "Illegal instruction";
  dbg_error(text);
}

void rv_install_signal_handlers() {
  std::signal(SIGSEGV, sighandler);
  std::signal(SIGILL, sighandler);
  std::signal(SIGFPE, sighandler);
}

void rv_out_of_memory() {
  // No allocation on this path: the heap is what failed.
  std::fputs("Kestro Runtime Error : Out of memory\n\n", stdout);
  std::fflush(stdout);
  std::exit(-1);
}
