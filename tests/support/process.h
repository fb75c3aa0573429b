// Real executables from tests: a child process with its output captured in
// files, killed if it outlives the test; the one wait-until helper; temporary
// folders and whole-file reads and writes.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace testing_support {

// The tests' one wait: polls `done` every `every` seconds until it holds or
// `timeout` seconds passed; its last result.
bool WaitUntil(const std::function<bool()>& done, double timeout, double every = 0.02);

class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // env: "NAME=value" added to ours; cwd empty: ours; stdin_text, then end of file.
  void Start(const std::vector<std::string>& args, const std::vector<std::string>& env = {},
             const std::string& cwd = "", const std::string& stdin_text = "");
  bool Running();
  bool Wait(double seconds);  // true when the child ended
  void Kill(int signal = 9);
  int ExitCode() const { return exit_code_; }  // once ended; -1000 for a signal
  std::string Stdout() const;
  std::string Stderr() const;
  pid_t Pid() const { return pid_; }

 private:
  pid_t pid_ = 0;
  int exit_code_ = -1000;
  std::string dir_, out_path_, err_path_;
};

// Runs to completion (killed after `timeout`).
struct RunResult {
  int exit_code;
  std::string out, err;
};
RunResult RunCommand(const std::vector<std::string>& args, double timeout = 60,
                     const std::vector<std::string>& env = {}, const std::string& stdin_text = "");

std::string MakeTempDir(const std::string& tag);
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
// What lies between the "|" marks of a saved text, and the rest after the last.
std::vector<std::string> SplitFields(const std::string& text);

std::string ToolPath(const std::string& name);
std::string GamePath();

}  // namespace testing_support
