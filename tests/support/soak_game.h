// The real game for a scripted player: a private copy of the program and its
// data folder (the game finds its data beside its executable, so tests may
// delete or damage files there), watches on what the game does that a
// player cannot see on screen, and the saved text read back.
//
//  - GameInstall: the copy, made in a fresh scratch directory.
//  - DataWatch: which data files the game opened, in order (inotify
//    IN_OPEN on every folder of the copy's data). The loader's stages and a
//    tune starting show up here whatever the screen shows, also when a
//    sheet or the font is missing.
//  - SavedText: the state text split into fields, with the checks of its
//    settings, badge and score-row checksums.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

struct GameInstall {
  std::string dir;   // scratch directory holding bin/ and work/
  std::string exe;   // dir/bin/tazmelo
  std::string data;  // dir/bin/data
  std::string work;  // dir/work: the game's current directory
};

// Copies the built game and its data folder (from KESTRO_BIN_DIR).
GameInstall InstallGameCopy(const std::string& tag);

class DataWatch {
 public:
  explicit DataWatch(const std::string& dataDir);
  ~DataWatch();
  DataWatch(const DataWatch&) = delete;
  DataWatch& operator=(const DataWatch&) = delete;

  bool Ok() const { return fd_ >= 0; }
  // Number of opens seen so far (after reading pending events).
  std::size_t Mark();
  // Files opened since `mark`, as paths below the data folder.
  std::vector<std::string> Since(std::size_t mark);
  // Waits until `path` (below the data folder) is opened after `mark`.
  bool WaitOpened(const std::string& path, std::size_t mark, double timeout);

 private:
  void Drain();
  int fd_ = -1;
  std::vector<std::pair<int, std::string>> dirs_;  // watch descriptor, folder
  std::vector<std::string> opened_;
};

// The game's saved text: settings 0..24 and their checksum, eight badge
// masks and theirs, then 105 rows of ten score / status pairs and a row
// checksum each; every field ends with "|".
class SavedText {
 public:
  static constexpr int kFields = 2240;

  explicit SavedText(const std::string& text);

  bool Complete() const { return fields_.size() == kFields && tailEmpty_; }
  std::size_t FieldCount() const { return fields_.size(); }
  int Field(std::size_t i) const;
  int Setting(int slot) const { return Field(slot); }
  // Place 0..9 of level 1..100's table, and the level's status.
  int Score(int level, int place) const { return Field(35 + 21 * (level - 1) + 2 * place); }
  int Status(int level) const { return Field(36 + 21 * (level - 1)); }
  // Empty when every checksum holds and every field is a plain decimal
  // number; else what is wrong.
  std::string ChecksumProblems() const;

 private:
  std::vector<std::string> fields_;
  bool tailEmpty_ = false;
};

}  // namespace testing_support
