#include "support/checks.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "runtime/kestro.h"

namespace testing_support {

void PrepareForRuntimeError() {
  if (!std::freopen("/dev/null", "r", stdin)) std::abort();
  std::fflush(stdout);
  dup2(2, 1);
}

std::string RuntimeErrorPattern(const std::string& message) {
  std::string escaped;
  for (char c : "Kestro Runtime Error : " + message) {
    if (std::strchr("\\^$.|?*+()[]{}", c)) escaped.push_back('\\');
    escaped.push_back(c);
  }
  return escaped;
}

void ForceCollection(int flips, bool free_dead) {
  for (int i = 0; i < flips; ++i) {
    long long before = gc_stats.flips;
    gc_ext_malloced(kGcBudgetBytes + 1);
    gc_collect();
    EXPECT_EQ(gc_stats.flips, before + 1);
  }
  while (free_dead && gc_free_bytes > 0) (void)Array<char>(4096);
}

}  // namespace testing_support
