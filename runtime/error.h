// Console output, runtime errors and the line-based debugger stop.
//
// rvError("") ends the process quietly with exit code 0 (the application's
// normal way out). Any other message is a runtime error: "Kestro Runtime
// Error : " and the message on standard output, then the debugger stop, which
// reads commands from standard input and ends the process with -1 when there
// is no input. Everything here belongs to the main thread.
#pragma once

#include "runtime/string.h"

extern int argc;
extern char** argv;
extern const char* dbg_info;
extern int dbg_stepmode;
extern int dbg_suspend;

void rvPrint(const String& text);     // UTF-8 and "\n" to stdout, flushed
void rvDebugLog(const String& text);  // same as rvPrint
[[noreturn]] void rvError(const String& message);
[[noreturn]] void dbg_error(const char* message);
void dbg_print(const String& text);  // low bytes and "\n" to stderr
String dbg_stacktrace();
void dbg_stop();
void rvDebugStop();
void sighandler(int signal);
void rv_install_signal_handlers();

// The C heap or the collector could not supply memory.
[[noreturn]] void rv_out_of_memory();
