// The host's loaders and the state file, in-process on real files: what a
// caller gets back for each kind of file, how text is decoded, what is
// counted as external memory, and what a failed save leaves behind.
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <string>

#include "host/glfw_game.h"
#include "host/image_decode.h"
#include "runtime/kestro.h"
#include "support/printers.h"
#include "support/process.h"

namespace {

using namespace testing_support;

class Files : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = MakeTempDir("files");
    ASSERT_NE(getcwd(old_cwd_, sizeof old_cwd_), nullptr);
  }
  void TearDown() override {
    if (chdir(old_cwd_) != 0) ADD_FAILURE() << "cannot return to " << old_cwd_;
  }
  // Writes bytes to a file in the test's directory and gives its full path.
  std::string Make(const std::string& name, const std::string& bytes) {
    std::string p = dir_ + "/" + name;
    WriteFile(p, bytes);
    return p;
  }
  static String S(const std::string& s) { return String(s.c_str()); }
  void EnterDir() { ASSERT_EQ(chdir(dir_.c_str()), 0); }

  RvGlfwGame game_;
  std::string dir_;
  char old_cwd_[4096];
};

// ---- Text files and the state file -------------------------------------------

TEST_F(Files, TextFilesDecodeByTheirByteOrderMark) {
  EXPECT_EQ(game_.LoadString(S(Make("le.txt", std::string("\xFF\xFE\x41\x00\xE9\x00", 6)))),
            String(u"A\u00e9"));
  EXPECT_EQ(game_.LoadString(S(Make("be.txt", std::string("\xFE\xFF\x00\x41\x20\xAC", 6)))),
            String(u"A\u20ac"));
  EXPECT_EQ(game_.LoadString(S(Make("bom.txt", "\xEF\xBB\xBFok \xE2\x82\xAC"))),
            String(u"ok \u20ac"));
  // Invalid UTF-8 (Latin-1 text): every byte widened as it is.
  EXPECT_EQ(game_.LoadString(S(Make("latin1.txt", "caf\xE9 au lait"))),
            String(u"caf\u00e9 au lait"));
  EXPECT_TRUE(game_.LoadString(S(Make("empty.txt", ""))).Empty());
  EXPECT_TRUE(game_.LoadString(S(dir_ + "/missing.txt")).Empty());
  EXPECT_TRUE(game_.LoadString(S(dir_)).Empty());  // a folder reads as nothing
}

TEST_F(Files, ShortFilesAndOddByteCounts) {
  // Two bytes of a byte-order mark are not a mark: invalid UTF-8, widened.
  EXPECT_EQ(game_.LoadString(S(Make("ef_bb.txt", "\xEF\xBB"))), String(u"\u00ef\u00bb"));
  // A UTF-16 text with an odd trailing byte drops it; a lone mark is empty.
  EXPECT_EQ(game_.LoadString(S(Make("odd.txt", std::string("\xFE\xFF\x00\x41\x00", 5)))),
            String("A"));
  EXPECT_TRUE(game_.LoadString(S(Make("mark.txt", "\xFE\xFF"))).Empty());
  // A NUL byte is a character like any other.
  EXPECT_EQ(game_.LoadString(S(Make("nul.txt", std::string("a\0b", 3)))).Length(), 3);
}

TEST_F(Files, TextLongerThanOneReadBlockDecodesWhole) {
  // Multi-byte sequences straddle the 4096-byte block edges.
  std::string bytes;
  for (int i = 0; i < 5000; ++i) bytes += "\xC3\xA9";
  String s = game_.LoadString(S(Make("long.txt", bytes)));
  ASSERT_EQ(s.Length(), 5000);
  EXPECT_EQ(s[0], 0xE9);
  EXPECT_EQ(s[4999], 0xE9);
}

TEST_F(Files, StateRoundTripsAsPlainUtf8) {
  EnterDir();
  String state(u"settings caf\u00e9 \u20ac\U0001F600 end");
  ASSERT_EQ(game_.SaveState(state), 0);
  std::string bytes = ReadFile(dir_ + "/.kestrostate");
  // No mark, no terminator; U+00E9 is C3 A9; each surrogate is three bytes.
  EXPECT_EQ(bytes.substr(0, 14), "settings caf\xC3\xA9");
  EXPECT_EQ(bytes.size(), 9u + 3u + 2u + 1u + 3u + 6u + 4u);
  EXPECT_EQ(game_.LoadState(), state);

  // Saving replaces the whole file, also with a shorter text, and an empty
  // state writes an empty file.
  ASSERT_EQ(game_.SaveState(String("x")), 0);
  EXPECT_EQ(ReadFile(dir_ + "/.kestrostate"), "x");
  ASSERT_EQ(game_.SaveState(String()), 0);
  EXPECT_TRUE(FileExists(dir_ + "/.kestrostate"));
  EXPECT_EQ(ReadFile(dir_ + "/.kestrostate"), "");
  EXPECT_TRUE(game_.LoadState().Empty());
}

TEST_F(Files, StateWrittenByOtherToolsIsDecodedLikeAnyText) {
  EnterDir();
  EXPECT_TRUE(game_.LoadState().Empty());  // no file yet
  Make(".kestrostate", std::string("\xFF\xFE\x31\x00\x32\x00", 6));
  EXPECT_EQ(game_.LoadState(), String("12"));
  Make(".kestrostate", std::string("\xFE\xFF\x00\x31\x00\xE9", 6));
  EXPECT_EQ(game_.LoadState(), String(u"1\u00e9"));
  Make(".kestrostate", "Ren\xE9 ");
  EXPECT_EQ(game_.LoadState(), String(u"Ren\u00e9 "));
}

TEST_F(Files, StateSaveKeepsPermissionsAndFollowsALink) {
  EnterDir();
  Make("real_state", "old");
  ASSERT_EQ(chmod((dir_ + "/real_state").c_str(), 0600), 0);
  ASSERT_EQ(symlink("real_state", ".kestrostate"), 0);
  ASSERT_EQ(game_.SaveState(String("new")), 0);
  struct stat st;
  ASSERT_EQ(lstat(".kestrostate", &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(stat("real_state", &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  EXPECT_EQ(ReadFile(dir_ + "/real_state"), "new");
}

TEST_F(Files, SaveWhereNoFileCanBeCreatedGivesMinusOne) {
  // The current directory has been removed: nothing can be created in it.
  std::string gone = dir_ + "/gone";
  ASSERT_EQ(mkdir(gone.c_str(), 0755), 0);
  ASSERT_EQ(chdir(gone.c_str()), 0);
  ASSERT_EQ(rmdir(gone.c_str()), 0);
  EXPECT_EQ(game_.SaveState(String("lost")), -1);
  EXPECT_TRUE(game_.LoadState().Empty());

  // A folder in the state file's place is left alone.
  EnterDir();
  ASSERT_EQ(mkdir(".kestrostate", 0755), 0);
  EXPECT_EQ(game_.SaveState(String("lost")), -1);
  struct stat st;
  ASSERT_EQ(stat(".kestrostate", &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
}

TEST_F(Files, SaveThatCannotBeWrittenWholeGivesMinusTwoAndKeepsTheOldState) {
  EnterDir();
  ASSERT_EQ(game_.SaveState(String("the old state")), 0);
  // A file size limit makes the write stop short, as a full disk would.
  struct rlimit old_limit;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old_limit;
  small.rlim_cur = 1000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  int result = game_.SaveState(String(std::string(5000, 'n').c_str()));
  setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_EQ(result, -2);
  EXPECT_EQ(ReadFile(dir_ + "/.kestrostate"), "the old state");
  // The failed attempt leaves no temporary behind.
  RunResult ls = RunCommand({"ls", "-A", dir_});
  EXPECT_EQ(ls.out, ".kestrostate\n");
}

// ---- Raw data ------------------------------------------------------------------

TEST_F(Files, DataComesBackWholeAndIsCountedAsExternalMemory) {
  for (int size : {0, 1, 4095, 4096, 4097, 12288, 100001}) {
    std::string bytes;
    for (int i = 0; i < size; ++i) bytes.push_back((char)(i * 7 + size));
    std::string path = Make("blob" + std::to_string(size), bytes);
    long long before = gc_ext_new_bytes.load();
    int length = -1;
    unsigned char* data = game_.LoadData(S(path), &length);
    ASSERT_NE(data, nullptr) << size;
    EXPECT_EQ(length, size);
    EXPECT_EQ(gc_ext_new_bytes.load() - before, size);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data), (std::size_t)length), bytes);
    std::free(data);
  }
  int length = -7;
  long long before = gc_ext_new_bytes.load();
  EXPECT_EQ(game_.LoadData(S(dir_ + "/missing"), &length), nullptr);
  EXPECT_EQ(game_.LoadData(S(dir_), &length), nullptr);
  EXPECT_EQ(game_.LoadData(String("kestro://cache/blob1"), &length), nullptr);
  EXPECT_EQ(length, -7);
  EXPECT_EQ(gc_ext_new_bytes.load(), before);
}

// ---- Images --------------------------------------------------------------------

struct PngCase {
  const char* name;
  std::vector<std::string> convert_args;  // written to <dir>/<name>.png
  int depth;
};

TEST_F(Files, PngsOfEveryChannelCountDecodeWithTheirOwnDepth) {
  // A 3 x 2 image: top row red, green, blue; bottom row white, grey, black.
  std::vector<std::string> pixels = {"-size", "3x2", "xc:black", "-fill", "red",
                                     "-draw", "point 0,0", "-fill", "lime", "-draw",
                                     "point 1,0", "-fill", "blue", "-draw", "point 2,0",
                                     "-fill", "white", "-draw", "point 0,1", "-fill",
                                     "gray50", "-draw", "point 1,1"};
  std::vector<PngCase> cases = {
      {"gray", {"-colorspace", "Gray", "-define", "png:color-type=0", "-depth", "8"}, 1},
      {"grayalpha",
       {"-colorspace", "Gray", "-alpha", "set", "-channel", "A", "-evaluate", "set", "50%",
        "+channel", "-define", "png:color-type=4", "-depth", "8"},
       2},
      {"rgb", {"-depth", "8"}, 3},
      {"rgba", {"-alpha", "set", "-channel", "A", "-evaluate", "set", "50%", "+channel"}, 4},
  };
  for (const PngCase& c : cases) {
    std::string out = dir_ + "/" + c.name + ".png";
    std::vector<std::string> args = {"convert"};
    args.insert(args.end(), pixels.begin(), pixels.end());
    args.insert(args.end(), c.convert_args.begin(), c.convert_args.end());
    std::string prefix = c.depth == 3 ? "PNG24:" : c.depth == 4 ? "PNG32:" : "";
    args.push_back(prefix + out);
    RunResult r = RunCommand(args);
    ASSERT_EQ(r.exit_code, 0) << r.err;

    int w = 0, h = 0, d = 0;
    long long before = gc_ext_new_bytes.load();
    unsigned char* px = game_.LoadImageData(S(out), &w, &h, &d);
    ASSERT_NE(px, nullptr) << c.name;
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 2);
    EXPECT_EQ(d, c.depth) << c.name;
    EXPECT_EQ(gc_ext_new_bytes.load() - before, 3 * 2 * d);
    // The first channel of white is 255 and of black 0 in every layout; the
    // top-left is red (or its grey), so brighter than black.
    EXPECT_EQ(px[3 * d], 255) << c.name;
    EXPECT_EQ(px[5 * d], 0) << c.name;
    EXPECT_GT(px[0], 40) << c.name;
    if (d >= 3) {
      EXPECT_EQ(px[0], 255);
      EXPECT_EQ(px[1], 0);
      EXPECT_EQ(px[d + 1], 255);
      EXPECT_EQ(px[2 * d + 2], 255);
    }
    if (d == 2 || d == 4) {
      EXPECT_NEAR(px[d - 1], 128, 1) << c.name;
    }
    std::free(px);
  }
}

TEST_F(Files, PalettedAndSixteenBitPngsComeOutAsEightBitsPerChannel) {
  std::string pal = dir_ + "/pal.png";
  std::string deep = dir_ + "/deep.png";
  ASSERT_EQ(RunCommand({"convert", "-size", "4x4", "xc:orange", "PNG8:" + pal}).exit_code, 0);
  ASSERT_EQ(RunCommand({"convert", "-size", "4x4", "xc:orange", "-depth", "16", "PNG48:" + deep})
                .exit_code,
            0);
  for (const std::string& p : {pal, deep}) {
    int w = 0, h = 0, d = 0;
    unsigned char* px = game_.LoadImageData(S(p), &w, &h, &d);
    ASSERT_NE(px, nullptr) << p;
    EXPECT_EQ(w, 4);
    EXPECT_EQ(d, 3) << p;
    EXPECT_EQ(px[0], 255);
    EXPECT_NEAR(px[1], 165, 1);
    EXPECT_EQ(px[2], 0);
    std::free(px);
  }
}

TEST_F(Files, AnythingButAWholePngIsRefused) {
  std::string gif = dir_ + "/a.gif", jpg = dir_ + "/a.jpg", png = dir_ + "/a.png";
  ASSERT_EQ(RunCommand({"convert", "-size", "8x8", "xc:red", gif}).exit_code, 0);
  ASSERT_EQ(RunCommand({"convert", "-size", "8x8", "xc:red", jpg}).exit_code, 0);
  ASSERT_EQ(RunCommand({"convert", "-size", "8x8", "xc:red", png}).exit_code, 0);
  std::string whole = ReadFile(png);
  std::string cut = Make("cut.png", whole.substr(0, whole.size() - 20));
  std::string text = Make("text.png", "not a picture at all");
  std::string sig_only = Make("sig.png", whole.substr(0, 8));
  long long before = gc_ext_new_bytes.load();
  for (const std::string& p : {gif, jpg, cut, text, sig_only, dir_ + "/missing.png", dir_}) {
    int w = -1, h = -1, d = -1;
    EXPECT_EQ(game_.LoadImageData(S(p), &w, &h, &d), nullptr) << p;
  }
  EXPECT_EQ(gc_ext_new_bytes.load(), before);
  int w, h, d;
  unsigned char* ok = game_.LoadImageData(S(png), &w, &h, &d);
  EXPECT_NE(ok, nullptr);
  std::free(ok);
}

TEST(FilesImageDecode, SizeLimitsApplyBeforeDecoding) {
  // Headers are patched into a real 1 x 1 PNG; stb does not check CRCs.
  std::string dir = MakeTempDir("files-limits");
  ASSERT_EQ(RunCommand({"convert", "-size", "1x1", "xc:white", "PNG32:" + dir + "/one.png"})
                .exit_code,
            0);
  std::string png = ReadFile(dir + "/one.png");
  auto with_size = [&](unsigned w, unsigned h) {
    std::string s = png;
    for (int i = 0; i < 4; ++i) {
      s[16 + i] = (char)(w >> (24 - 8 * i));
      s[20 + i] = (char)(h >> (24 - 8 * i));
    }
    return s;
  };
  int w, h, d;
  for (auto size : {std::pair<unsigned, unsigned>{16384, 16384}, {kMaxImageSide + 1u, 1},
                    {1, 100000}, {0x7fffffffu, 0x7fffffffu}, {0, 1}}) {
    std::string s = with_size(size.first, size.second);
    EXPECT_EQ(DecodePng(reinterpret_cast<const unsigned char*>(s.data()), s.size(), &w, &h, &d),
              nullptr)
        << size.first << " x " << size.second;
  }
  unsigned char* one =
      DecodePng(reinterpret_cast<const unsigned char*>(png.data()), png.size(), &w, &h, &d);
  ASSERT_NE(one, nullptr);
  EXPECT_EQ(w * h * d, 4);
  std::free(one);
}

// ---- Data paths ------------------------------------------------------------------

TEST(FilesDataPath, BareNamesGoToTheDataFolderOthersStay) {
  EXPECT_EQ(rv_data_FixDataPath(String("gfx/a.png")), String("kestro://data/gfx/a.png"));
  EXPECT_EQ(rv_data_FixDataPath(String("a.png")), String("kestro://data/a.png"));
  EXPECT_EQ(rv_data_FixDataPath(String("C:/x.png")), String("C:/x.png"));
  EXPECT_EQ(rv_data_FixDataPath(String("./x.png")), String("./x.png"));
  EXPECT_EQ(rv_data_FixDataPath(String("/x.png")), String("/x.png"));
  EXPECT_EQ(rv_data_FixDataPath(String("kestro://data/x.png")), String("kestro://data/x.png"));
  EXPECT_EQ(rv_data_FixDataPath(String("http://host/x.png")), String("http://host/x.png"));
  // A colon that is not a scheme or drive: the first "/" must follow it.
  EXPECT_EQ(rv_data_FixDataPath(String("a/b:/c.png")), String("kestro://data/a/b:/c.png"));
  EXPECT_EQ(rv_data_FixDataPath(String("x:y.png")), String("kestro://data/x:y.png"));
  EXPECT_EQ(rv_data_FixDataPath(String()), String("kestro://data/"));
}

TEST(FilesDataPath, OnlyKnownAreasOfTheSchemeMapToFiles) {
  RvGlfwGame game;
  String data = game.PathToFilePath(String("kestro://data/gfx/menu.png"));
  EXPECT_TRUE(data.EndsWith(String("/data/gfx/menu.png")));
  EXPECT_TRUE(data.StartsWith(String("/")));
  EXPECT_EQ(game.PathToFilePath(String("kestro://internal/x")),
            data.Slice(0, data.Length() - 18) + String("/internal/x"));
  EXPECT_TRUE(game.PathToFilePath(String("kestro://cache/x")).Empty());
  EXPECT_TRUE(game.PathToFilePath(String("kestro:x")).Empty());
  EXPECT_EQ(game.OpenFile(String("kestro://cache/x"), String("rb")), nullptr);
  EXPECT_EQ(game.PathToFilePath(String("some/file")), String("some/file"));
  // The base host maps nothing.
  EXPECT_EQ(game.RvGame::PathToFilePath(String("kestro://data/x")), String("kestro://data/x"));
}

}  // namespace
