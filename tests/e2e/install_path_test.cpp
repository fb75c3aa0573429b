// The data folder is found beside the executable whatever the install folder
// is called: a name with an emoji, with accented letters, or with a byte that
// is no UTF-8 at all. The host's file probe is copied into each folder (the
// executable's path is what the host reads) with the game's data linked
// beside it, and loads an image from there (sounds resolve their paths the
// same way).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/process.h"

namespace {

using testing_support::RunCommand;
namespace fs = std::filesystem;

class InstallPath : public ::testing::TestWithParam<const char*> {};

TEST_P(InstallPath, DataLoadsFromTheFolderBesideTheGame) {
  const std::string dir = testing_support::MakeTempDir("install") + "/" + GetParam();
  fs::create_directories(dir);
  fs::copy_file(KESTRO_TEST_TOOLS_DIR "/files_probe", dir + "/files_probe");
  fs::create_directory_symlink(KESTRO_BIN_DIR "/data", dir + "/data");

  auto image = RunCommand({dir + "/files_probe", "image", "kestro://data/common/dpad.png"});
  EXPECT_EQ(image.exit_code, 0);
  EXPECT_EQ(image.out.rfind("null", 0), std::string::npos) << image.out;

  fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Folders, InstallPath,
                         ::testing::Values("Tazmelo \xF0\x9F\x8E\xAE",            // emoji
                                           "Jeux vid\xC3\xA9o \xC3\xA0 l'\xC3\xA9t\xC3\xA9",  // accents
                                           "Spiele \xFC" "ber alles"),      // Latin-1 byte
                         [](const auto& info) {
                           return std::string(info.index == 0   ? "Emoji"
                                              : info.index == 1 ? "Accented"
                                                                : "NotUtf8");
                         });

}  // namespace
