#include "flags.h"

#include <deque>
#include <string>
#include <vector>

namespace fuzz_support {

int AddDefaultFlag(int* argc, char*** argv, const char* flag) {
  static std::deque<std::string> flags;  // stable: libFuzzer keeps the pointers
  static std::vector<char*> args;
  flags.push_back(flag);
  args.assign(*argv, *argv + *argc);
  args.insert(args.begin() + 1, &flags.back()[0]);
  args.push_back(nullptr);
  *argc += 1;
  *argv = args.data();
  return 0;
}

}  // namespace fuzz_support
