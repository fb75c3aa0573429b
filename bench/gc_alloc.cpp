// Collector under a steady load of small objects: a live set of objects in a
// ring is continually replaced, as a game's short-lived objects would be, and
// a collector step runs after every batch of allocations, as the host runs
// one after every event. Reports allocation cost and the step time
// distribution (the longest step is what a frame could feel).
//   bench_gc_alloc [--quick]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "runtime/kestro.h"
#include "support/bench.h"

namespace {

class Item : public Object {
 public:
  Item* next = nullptr;
  int payload[4] = {0, 0, 0, 0};
  void mark() override { gc_mark_q(next); }
};

class Ring : public Object {
 public:
  Array<Item*> items;
  void mark() override { gc_mark_q(items); }
};

Ring* ring = nullptr;
rv_module roots(1000, nullptr, [] { gc_mark_q(ring); });

using clock_type = std::chrono::steady_clock;

double ns_since(clock_type::time_point t) {
  return std::chrono::duration<double, std::nano>(clock_type::now() - t).count();
}

}  // namespace

int main(int argc, char** argv) {
  bool quick = bench::Start(argc, argv);

  const int live = 100000;
  const int batch = 200;  // allocations between two collector steps
  const long long total = quick ? 2000000 : 30000000;

  gc_assign(ring, new Ring());
  ring->items = Array<Item*>(live);
  for (int i = 0; i < live; ++i) gc_assign(ring->items[i], new Item());

  std::vector<double> steps;
  steps.reserve(total / batch + 1);
  double alloc_ns = 0;
  long long flips0 = gc_stats.flips;
  for (long long n = 0; n < total; n += batch) {
    auto t = clock_type::now();
    for (int i = 0; i < batch; ++i) {
      Item* item = new Item();
      int slot = (int)((n + i) % live);
      gc_assign(item->next, ring->items[(slot + 1) % live]);
      gc_assign(ring->items[slot], item);
    }
    alloc_ns += ns_since(t);
    t = clock_type::now();
    gc_collect();
    steps.push_back(ns_since(t));
  }
  std::sort(steps.begin(), steps.end());
  auto pct = [&](double p) { return steps[(std::size_t)(p * (steps.size() - 1))] / 1000.0; };
  std::printf("| measure | value |\n|---|---|\n");
  std::printf("| allocations | %lld |\n", total);
  std::printf("| live objects | %d |\n", live);
  std::printf("| ns per allocation (incl. barrier and lazy destruction) | %.1f |\n",
              alloc_ns / (double)total);
  std::printf("| collector steps | %zu |\n", steps.size());
  std::printf("| flips | %lld |\n", gc_stats.flips - flips0);
  std::printf("| step median (us) | %.1f |\n", pct(0.5));
  std::printf("| step p99 (us) | %.1f |\n", pct(0.99));
  std::printf("| step max (us) | %.1f |\n", steps.back() / 1000.0);
  return 0;
}
