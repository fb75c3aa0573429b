// Child processes, the wait-until helper and files; see process.h.
#include "support/process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace testing_support {

bool WaitUntil(const std::function<bool()>& done, double timeout, double every) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeout);
  for (; std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(std::chrono::duration<double>(every))) {
    if (done()) return true;
  }
  return done();
}

std::string MakeTempDir(const std::string& tag) {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/kestro-" + tag + "-XXXXXX";
  if (!mkdtemp(&pattern[0])) throw std::runtime_error("mkdtemp failed");
  return pattern;
}

std::vector<std::string> SplitFields(const std::string& text) {
  std::vector<std::string> out(1);
  for (char c : text) c == '|' ? (void)out.emplace_back() : out.back().push_back(c);
  return out;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), (std::streamsize)bytes.size());
}

bool FileExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && Running()) Kill();
  if (!dir_.empty()) {
    unlink(out_path_.c_str());
    unlink(err_path_.c_str());
    unlink((dir_ + "/stdin").c_str());
    rmdir(dir_.c_str());
  }
}

void ChildProcess::Start(const std::vector<std::string>& args, const std::vector<std::string>& env,
                         const std::string& cwd, const std::string& stdin_text) {
  dir_ = MakeTempDir("proc");
  out_path_ = dir_ + "/stdout";
  err_path_ = dir_ + "/stderr";
  const std::string in_path = dir_ + "/stdin";
  WriteFile(in_path, stdin_text);
  const pid_t parent = getpid();
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(1);
    dup2(open(in_path.c_str(), O_RDONLY), 0);
    dup2(open(out_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
    dup2(open(err_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
    if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
    for (const auto& e : env) putenv(strdup(e.c_str()));
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
}

bool ChildProcess::Running() {
  if (pid_ <= 0) return false;
  int status = 0;
  const pid_t r = waitpid(pid_, &status, WNOHANG);
  if (r == 0) return true;
  if (r == pid_ && WIFEXITED(status)) exit_code_ = WEXITSTATUS(status);
  pid_ = -pid_;  // remember it ended
  return false;
}

bool ChildProcess::Wait(double seconds) {
  return WaitUntil([this] { return !Running(); }, seconds);
}

void ChildProcess::Kill(int signal) {
  if (pid_ > 0) {
    kill(pid_, signal);
    Wait(10);
  }
}

std::string ChildProcess::Stdout() const { return ReadFile(out_path_); }
std::string ChildProcess::Stderr() const { return ReadFile(err_path_); }

RunResult RunCommand(const std::vector<std::string>& args, double timeout,
              const std::vector<std::string>& env, const std::string& stdin_text) {
  ChildProcess p;
  p.Start(args, env, "", stdin_text);
  if (!p.Wait(timeout)) p.Kill();
  return {p.ExitCode(), p.Stdout(), p.Stderr()};
}

std::string ToolPath(const std::string& name) { return std::string(KESTRO_TEST_TOOLS_DIR) + "/" + name; }
std::string GamePath() { return std::string(KESTRO_BIN_DIR) + "/tazmelo"; }

}  // namespace testing_support
