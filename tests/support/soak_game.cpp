// The game copy, its data watch and the saved text; see soak_game.h.
#include "support/soak_game.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

#include "support/process.h"

namespace testing_support {

GameInstall InstallGameCopy(const std::string& tag) {
  GameInstall g;
  g.dir = MakeTempDir(tag);
  g.exe = g.dir + "/bin/tazmelo";
  g.data = g.dir + "/bin/data";
  g.work = g.dir + "/work";
  RunCommand({"mkdir", "-p", g.dir + "/bin", g.work});
  RunResult copy = RunCommand({"cp", "-r", GamePath(), std::string(KESTRO_BIN_DIR) + "/data",
                               g.dir + "/bin/"},
                              120);
  if (copy.exit_code != 0) throw std::runtime_error("copying the game failed: " + copy.err);
  return g;
}

// ---- DataWatch -------------------------------------------------------------------

DataWatch::DataWatch(const std::string& dataDir) {
  fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd_ < 0) return;
  RunResult dirs = RunCommand({"find", dataDir, "-type", "d"}, 30);
  std::size_t start = 0;
  for (std::size_t nl; (nl = dirs.out.find('\n', start)) != std::string::npos; start = nl + 1) {
    std::string d = dirs.out.substr(start, nl - start);
    int wd = inotify_add_watch(fd_, d.c_str(), IN_OPEN);
    if (wd < 0) continue;
    std::string rel = d.size() > dataDir.size() ? d.substr(dataDir.size() + 1) + "/" : "";
    dirs_.emplace_back(wd, rel);
  }
}

DataWatch::~DataWatch() {
  if (fd_ >= 0) close(fd_);
}

void DataWatch::Drain() {
  if (fd_ < 0) return;
  alignas(inotify_event) char buf[16384];
  for (;;) {
    ssize_t n = read(fd_, buf, sizeof buf);
    if (n <= 0) break;
    for (char* p = buf; p < buf + n;) {
      inotify_event* e = reinterpret_cast<inotify_event*>(p);
      if (e->len && !(e->mask & IN_ISDIR)) {
        for (const auto& d : dirs_) {
          if (d.first == e->wd) opened_.push_back(d.second + e->name);
        }
      }
      p += sizeof(inotify_event) + e->len;
    }
  }
}

std::size_t DataWatch::Mark() {
  Drain();
  return opened_.size();
}

std::vector<std::string> DataWatch::Since(std::size_t mark) {
  Drain();
  if (mark > opened_.size()) return {};
  return std::vector<std::string>(opened_.begin() + (long)mark, opened_.end());
}

bool DataWatch::WaitOpened(const std::string& path, std::size_t mark, double timeout) {
  for (double t = 0;; t += 0.02) {
    for (const std::string& p : Since(mark)) {
      if (p == path) return true;
    }
    if (t >= timeout) return false;
    SleepSeconds(0.02);
  }
}

// ---- SavedText -------------------------------------------------------------------

SavedText::SavedText(const std::string& text) : fields_(SplitFields(text)) {
  tailEmpty_ = fields_.back().empty();
  fields_.pop_back();  // what follows the last bar
}

int SavedText::Field(std::size_t i) const {
  if (i >= fields_.size()) return 0;
  return (int)std::strtol(fields_[i].c_str(), nullptr, 10);
}

std::string SavedText::ChecksumProblems() const {
  if (!Complete()) {
    return "the text has " + std::to_string(fields_.size()) + " fields" +
           (tailEmpty_ ? "" : " and does not end with a bar");
  }
  std::string problems;
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    const std::string& f = fields_[i];
    bool plain = !f.empty() && f != "-" && f.find_first_not_of("-0123456789") == std::string::npos &&
                 f.find('-', 1) == std::string::npos && !(f[0] == '0' && f.size() > 1) &&
                 f.rfind("-0", 0) != 0;
    if (!plain) problems += "field " + std::to_string(i) + " is \"" + f + "\"; ";
  }
  // Sums in 32-bit wrap-around arithmetic, as the game computes them.
  uint32_t settings = 0;
  for (int i = 0; i < 25; ++i) settings += (uint32_t)i * (uint32_t)Field(i);
  if ((int32_t)settings != Field(25)) problems += "settings checksum; ";
  uint32_t badges = 0;
  for (int g = 0; g < 8; ++g) badges += (uint32_t)Field(26 + g);
  if ((int32_t)badges != Field(34)) problems += "badge checksum; ";
  for (int k = 0; k < 105; ++k) {
    const int base = 35 + 21 * k;
    uint32_t sum = 0;
    for (int m = 0; m < 10; ++m) {
      sum += (uint32_t)(m + 4) * (uint32_t)Field(base + 2 * m);
      sum += (uint32_t)(k + m + 3) * (uint32_t)Field(base + 2 * m + 1);
    }
    if ((int32_t)sum != Field(base + 20)) problems += "row " + std::to_string(k) + " checksum; ";
  }
  return problems;
}

}  // namespace testing_support
