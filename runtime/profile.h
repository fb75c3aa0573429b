// Frame profiling for the performance report. Off (and free) unless the
// environment variable KESTRO_PROFILE names a file; then the host and the
// application layer record each update, render, collector step and dropped
// backlog, and the records are written to that file when the process exits,
// one per line:
//   <kind> <wall seconds since start> <cpu us> <wall us> <count>
// kinds: update, render (count = draw calls), gc, drop, mark:<name>, and a
// final "peak_rss_kb" line.
#pragma once

namespace profile {

bool Enabled();
double WallSeconds();       // monotonic
double ThreadCpuSeconds();  // CPU time of the calling thread
void Record(const char* kind, double cpu_us, double wall_us, long long count);
// A moment worth naming ("first_frame", "loaded"); recorded once per name.
void Mark(const char* name);

// Measures one piece of work on the main thread.
class Scope {
 public:
  explicit Scope(const char* kind)
      : kind_(kind), on_(Enabled()), cpu0_(on_ ? ThreadCpuSeconds() : 0),
        wall0_(on_ ? WallSeconds() : 0) {}
  void Finish(long long count = 0) {
    if (!on_) return;
    Record(kind_, (ThreadCpuSeconds() - cpu0_) * 1e6, (WallSeconds() - wall0_) * 1e6, count);
    on_ = false;
  }
  ~Scope() { Finish(); }

 private:
  const char* kind_;
  bool on_;
  double cpu0_, wall0_;
};

}  // namespace profile
