#include "support/xvfb.h"

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

namespace testing_support {

static pid_t xvfb_pid = 0;

const std::string& StartXvfb() {
  static std::string display = [] {
    int fds[2];
    pid_t parent = getpid();
    if (pipe(fds) != 0 || (xvfb_pid = fork()) < 0) throw std::runtime_error("cannot start Xvfb");
    if (xvfb_pid == 0) {
      prctl(PR_SET_PDEATHSIG, SIGTERM);  // never outlive the tests
      if (getppid() != parent) _exit(1);
      close(fds[0]);
      execlp("Xvfb", "Xvfb", "-displayfd", std::to_string(fds[1]).c_str(), "-screen", "0", "1280x720x24",
             "-nolisten", "tcp", "-ac", "-noreset", (char*)nullptr);
      _exit(127);
    }
    close(fds[1]);
    std::string name = ":";
    for (char c; read(fds[0], &c, 1) == 1 && c != '\n';) name += c;
    close(fds[0]);
    if (name == ":") throw std::runtime_error("Xvfb did not start");
    std::atexit([] { kill(xvfb_pid, SIGTERM), waitpid(xvfb_pid, nullptr, 0); });
    setenv("DISPLAY", name.c_str(), 1);
    return name;
  }();
  return display;
}

}  // namespace testing_support
