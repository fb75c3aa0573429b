#include "support/bench.h"

#include <unistd.h>

#include <cstring>
#include <exception>

#include "runtime/kestro.h"
#include "support/xvfb.h"

namespace bench {

bool Start(int argc, char** argv) {
  gc_init_lists();
  rvInit();
  gc_mark();
  return argc > 1 && std::strcmp(argv[1], "--quick") == 0;
}

bool StartXvfb() {
  try {
    testing_support::StartXvfb();
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

std::string DataDir() {
  char exe[4096] = {};
  ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  std::string path(exe, n > 0 ? (std::size_t)n : 0);
  std::size_t slash = path.rfind('/');
  return (slash == std::string::npos ? std::string(".") : path.substr(0, slash)) + "/../bin/data/";
}

}  // namespace bench
