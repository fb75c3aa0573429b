// kestro_soundgen: writes the game's sound effects and tunes.
//
//   kestro_soundgen OUTPUT_DIR [--threads N] [--levels] [--verbose]
//
// Writes OUTPUT_DIR/sfx/NNN.wav for every effect slot and
// OUTPUT_DIR/sfx/<tune>.ogg for every tune. Each file is written under a
// temporary name and renamed into place, so an interrupted run never leaves
// a truncated file that looks finished. The tunes render and encode on
// worker threads (one per core unless --threads says otherwise, at most one
// per tune); their results do not depend on the thread count.
//
// --verbose prints one line per file (length, peak, RMS); --levels also
// prints each tune instrument's level, for balancing the mix.
#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cerrno>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "audio_files.h"
#include "effects.h"
#include "sequencer.h"
#include "tunes.h"

namespace {

using namespace sounds;

constexpr int kEffectRate = 44100;
constexpr int kTuneRate = 44100;
constexpr float kTuneQuality = 0.3f;  // about 100 kbit/s stereo: clean, small
constexpr int kOggSerial = 0x54415a4d;  // fixed, so output is reproducible

bool MakeDirs(const std::string& path) {
  std::string part;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/') {
      if (!part.empty() && mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    if (i < path.size()) part += path[i];
  }
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Publish(const std::string& tmp, const std::string& path) {
  if (std::rename(tmp.c_str(), path.c_str()) == 0) return true;
  std::remove(tmp.c_str());
  return false;
}

struct Level {
  float peak_db, rms_db;
};

Level Measure(const std::vector<float>& a, const std::vector<float>* b = nullptr) {
  float peak = 0;
  double sum = 0;
  size_t n = 0;
  for (const std::vector<float>* v : {&a, b}) {
    if (!v) continue;
    for (float s : *v) {
      peak = std::max(peak, std::fabs(s));
      sum += static_cast<double>(s) * s;
    }
    n += v->size();
  }
  auto db = [](double x) { return x > 0 ? 20.0 * std::log10(x) : -999.0; };
  return {static_cast<float>(db(peak)), static_cast<float>(db(std::sqrt(sum / std::max<size_t>(n, 1))))};
}

std::string SlotName(int slot) {
  char name[16];
  std::snprintf(name, sizeof name, "%03d.wav", slot);
  return name;
}

// CPU seconds of the calling thread: a fair cost measure on a shared machine.
double ThreadCpuSeconds() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + ts.tv_nsec * 1e-9;
}

struct TuneResult {
  bool ok = false;
  double seconds = 0;
  double render_cpu = 0, encode_cpu = 0;
  Level level{};
  std::vector<InstrumentLevel> instruments;
};

}  // namespace

int main(int argc, char** argv) {
  const char* usage = "usage: kestro_soundgen OUTPUT_DIR [--threads N] [--levels] [--verbose]\n";
  std::string out_dir;
  bool verbose = false, levels = false;
  int threads_wanted = 0;  // 0: one per core
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--verbose") == 0) {
      verbose = true;
    } else if (std::strcmp(argv[i], "--levels") == 0) {
      levels = verbose = true;
    } else if (std::strcmp(argv[i], "--threads") == 0 && i + 1 < argc) {
      threads_wanted = std::atoi(argv[++i]);
      if (threads_wanted < 1 || threads_wanted > 64) {
        std::fputs(usage, stderr);
        return 2;
      }
    } else if (out_dir.empty() && argv[i][0] != '-') {
      out_dir = argv[i];
    } else {
      std::fputs(usage, stderr);
      return 2;
    }
  }
  if (out_dir.empty()) {
    std::fputs(usage, stderr);
    return 2;
  }
  const auto started = std::chrono::steady_clock::now();
  const std::string sfx = out_dir + "/sfx";
  if (!MakeDirs(sfx)) {
    std::fprintf(stderr, "kestro_soundgen: cannot create %s\n", sfx.c_str());
    return 1;
  }

  // Tunes start first on the workers; the effects are made meanwhile.
  std::vector<Song> songs = AllTunes();
  std::vector<TuneResult> results(songs.size());
  std::atomic<size_t> next{0};
  auto worker = [&]() {
    for (size_t i; (i = next.fetch_add(1)) < songs.size();) {
      TuneResult& r = results[i];
      double t0 = ThreadCpuSeconds();
      StereoBuffer audio = RenderSong(songs[i], kTuneRate, levels ? &r.instruments : nullptr);
      double t1 = ThreadCpuSeconds();
      r.seconds = static_cast<double>(audio.left.size()) / kTuneRate;
      r.level = Measure(audio.left, &audio.right);
      std::string path = sfx + "/" + songs[i].name + ".ogg";
      r.ok = WriteOgg(path + ".tmp", audio.left, audio.right, kTuneRate, kTuneQuality, kOggSerial) &&
             Publish(path + ".tmp", path);
      r.render_cpu = t1 - t0;
      r.encode_cpu = ThreadCpuSeconds() - t1;
    }
  };
  unsigned cores = threads_wanted > 0 ? static_cast<unsigned>(threads_wanted)
                                     : std::max(1u, std::thread::hardware_concurrency());
  size_t thread_count = std::min<size_t>(cores, songs.size());
  std::vector<std::thread> threads;
  for (size_t t = 0; t < thread_count; ++t) threads.emplace_back(worker);

  bool ok = true;
  for (const Effect& e : AllEffects(kEffectRate)) {
    std::string path = sfx + "/" + SlotName(e.slot);
    if (!WriteWav(path + ".tmp", e.samples, kEffectRate) || !Publish(path + ".tmp", path)) {
      std::fprintf(stderr, "kestro_soundgen: cannot write %s\n", path.c_str());
      ok = false;
      continue;
    }
    if (verbose) {
      Level l = Measure(e.samples);
      std::printf("  %-18s %5.2f s  peak %6.1f dBFS  rms %6.1f dBFS  %s\n", SlotName(e.slot).c_str(),
                  static_cast<double>(e.samples.size()) / kEffectRate, l.peak_db, l.rms_db, e.what.c_str());
    }
  }
  for (std::thread& t : threads) t.join();

  for (size_t i = 0; i < songs.size(); ++i) {
    const TuneResult& r = results[i];
    if (!r.ok) {
      std::fprintf(stderr, "kestro_soundgen: cannot write %s/%s.ogg\n", sfx.c_str(), songs[i].name.c_str());
      ok = false;
      continue;
    }
    if (verbose)
      std::printf("  %-18s %5.2f s  peak %6.1f dBFS  rms %6.1f dBFS  %.0f bpm  cpu %.2f s render + %.2f s encode\n",
                  (songs[i].name + ".ogg").c_str(), r.seconds, r.level.peak_db, r.level.rms_db,
                  static_cast<double>(songs[i].bpm), r.render_cpu, r.encode_cpu);
    for (size_t k = 0; k < r.instruments.size(); ++k) {
      auto db = [](float x) { return x > 0 ? 20.0 * std::log10(x) : -999.0; };
      std::printf("      instrument %2zu (voice %2d): peak %6.1f  rms %6.1f\n", k,
                  static_cast<int>(songs[i].instruments[k].voice), db(r.instruments[k].peak),
                  db(r.instruments[k].rms));
    }
  }
  double elapsed =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::printf("kestro_soundgen: %s in %.2f s, worker threads: %zu\n", ok ? "sounds written" : "FAILED",
              elapsed, thread_count);
  return ok ? 0 : 1;
}
