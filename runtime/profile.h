// Frame profiling for the performance report. Off (and free) unless the
// environment variable KESTRO_PROFILE names a file; then the host and the
// application layer record each update, render, collector step and dropped
// backlog, and the records are written to that file when the process exits,
// one per line:
//   <kind> <wall seconds since start> <cpu us> <wall us> <count>
// kinds: update, render (count = draw calls), gc, drop, mark:<name>, mode
// (the game's, just before its update ends: count = the screen the update
// drew, 0 for the loading screen, else the game mode), a first "clock_base"
// line whose time is the CLOCK_MONOTONIC reading of the zero (so a launcher
// can measure from the moment it started the process), and a final
// "peak_rss_kb" line. The marks: "main" (the host's entry), "first_frame"
// (the first render done), "loaded" (the game's loader done, first time).
#pragma once

namespace profile {

bool Enabled();
double WallSeconds();       // monotonic
double ThreadCpuSeconds();  // CPU time of the calling thread
void Record(const char* kind, double cpu_us, double wall_us, long long count);
// A moment worth naming ("first_frame", "loaded"); recorded once per name.
void Mark(const char* name);

// Measures one piece of work on the main thread. The CPU clock is a system
// call (about a microsecond here), the wall clock is not: the CPU readings
// are taken inside the wall ones, so that the CPU time of a short step does
// not include a whole clock read.
class Scope {
 public:
  explicit Scope(const char* kind)
      : kind_(kind), on_(Enabled()), wall0_(on_ ? WallSeconds() : 0),
        cpu0_(on_ ? ThreadCpuSeconds() : 0) {}
  void Finish(long long count = 0) {
    if (!on_) return;
    const double cpu1 = ThreadCpuSeconds();
    const double wall1 = WallSeconds();
    Record(kind_, (cpu1 - cpu0_) * 1e6, (wall1 - wall0_) * 1e6, count);
    on_ = false;
  }
  ~Scope() { Finish(); }

 private:
  const char* kind_;
  bool on_;
  double wall0_, cpu0_;
};

}  // namespace profile
