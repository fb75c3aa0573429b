// Real executables from tests: a child process with its output captured in
// files, waited for with a timeout and killed if it outlives the test; the
// single wait-until helper every test waits with; temporary folders and
// whole-file reads and writes.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace testing_support {

// Polls `done` until it holds or `timeout` seconds passed; the one place a
// test waits. Gives the last result of `done`.
bool WaitUntil(const std::function<bool()>& done, double timeout);

class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // env entries are "NAME=value" added to the current environment; cwd empty
  // keeps the test's directory; stdin_text is fed to the child's stdin (which
  // then reaches end of file).
  void Start(const std::vector<std::string>& args, const std::vector<std::string>& env = {},
             const std::string& cwd = "", const std::string& stdin_text = "");
  bool Running();
  // Waits up to `seconds`; true when the child ended.
  bool Wait(double seconds);
  void Kill(int signal = 9);
  // Valid after the child ended.
  int ExitCode() const { return exit_code_; }  // -1000 when killed by a signal
  int TermSignal() const { return term_signal_; }
  std::string Stdout() const;
  std::string Stderr() const;
  pid_t Pid() const { return pid_; }

 private:
  pid_t pid_ = 0;
  int exit_code_ = -1000;
  int term_signal_ = 0;
  std::string dir_, out_path_, err_path_;
};

// Runs to completion (killed after `timeout`), for short commands.
struct RunResult {
  int exit_code;
  std::string out, err;
};
RunResult RunCommand(const std::vector<std::string>& args, double timeout = 60,
                     const std::vector<std::string>& env = {}, const std::string& stdin_text = "");

// A fresh empty directory below the test's temporary area.
std::string MakeTempDir(const std::string& tag);
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
// The fields of a saved state text: what lies between the "|" marks, and
// the rest after the last one (empty for a whole file).
std::vector<std::string> SplitFields(const std::string& text);

// Path of a probe program built with the tests, and of the game.
std::string ToolPath(const std::string& name);
std::string GamePath();

// Kept for the in-process tests that still pace themselves; new code waits
// with WaitUntil.
void SleepSeconds(double s);

}  // namespace testing_support
