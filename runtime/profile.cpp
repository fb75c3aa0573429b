// Frame profiling: records kept in memory, written once at exit.
#include "runtime/profile.h"

#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace profile {

namespace {

struct Entry {
  std::string kind;
  double at, cpu_us, wall_us;
  long long count;
};

const char* path() {
  static const char* p = std::getenv("KESTRO_PROFILE");
  return p && *p ? p : nullptr;
}

double start_time = WallSeconds();
std::vector<Entry>* entries = nullptr;

long peak_rss_kb() {
  FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return 0;
  char line[256];
  long kb = 0;
  while (std::fgets(line, sizeof line, f)) {
    if (std::strncmp(line, "VmHWM:", 6) == 0) kb = std::atol(line + 6);
  }
  std::fclose(f);
  return kb;
}

void write_out() {
  if (!entries) return;
  FILE* f = std::fopen(path(), "w");
  if (!f) return;
  std::fprintf(f, "clock_base %.6f 0 0 0\n", start_time);
  for (const Entry& e : *entries) {
    std::fprintf(f, "%s %.6f %.1f %.1f %lld\n", e.kind.c_str(), e.at, e.cpu_us, e.wall_us,
                 e.count);
  }
  std::fprintf(f, "peak_rss_kb 0 0 0 %ld\n", peak_rss_kb());
  std::fclose(f);
}

}  // namespace

bool Enabled() { return path() != nullptr; }

double WallSeconds() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return (double)ts.tv_sec + ts.tv_nsec * 1e-9;
}

double ThreadCpuSeconds() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return (double)ts.tv_sec + ts.tv_nsec * 1e-9;
}

void Record(const char* kind, double cpu_us, double wall_us, long long count) {
  if (!Enabled()) return;
  if (!entries) {
    entries = new std::vector<Entry>();
    entries->reserve(1 << 16);
    std::atexit(write_out);
  }
  entries->push_back({kind, WallSeconds() - start_time, cpu_us, wall_us, count});
}

void Mark(const char* name) {
  if (!Enabled()) return;
  static std::set<std::string> seen;
  if (!seen.insert(name).second) return;
  Record((std::string("mark:") + name).c_str(), 0, 0, 0);
}

}  // namespace profile
