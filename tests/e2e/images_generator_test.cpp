// The generated images, read back with the game's own PNG decoder: every
// file the game loads exists in each resolution with the frame geometry its
// loader cuts, the frames the game draws hold a picture (and the unused ones
// do not), the font fits the text renderer's advance, and the generator
// gives the same bytes on every run.
#include <dirent.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "host/image_decode.h"
#include "support/process.h"

namespace {

using namespace testing_support;

struct Expected {
  const char* name;
  int cell_w, cell_h, frames;
  bool strip;        // one horizontal row of frames
  bool resolutions;  // "-hd" and "-hd2" sets too
};

// What the game's loaders ask for (zuli_font's cell width is free; its
// height is the image height).
const Expected kImages[] = {
    {"zuli_font", 0, 0, 96, true, false},
    {"fonts/shadow_editundo", 16, 16, 128, true, true},
    {"common/PlondrelLogo", 256, 256, 1, false, true},
    {"common/icons", 32, 32, 16, false, true},
    {"common/Buttons", 64, 64, 16, false, true},
    {"common/dpad", 32, 32, 16, false, true},
    {"menu", 256, 256, 4, false, true},
    {"logo", 256, 128, 1, false, true},
    {"BadgesA", 64, 64, 64, false, true},
    {"parts", 8, 8, 256, false, true},
    {"common/circle", 256, 256, 4, false, true},
    {"common/light", 32, 32, 4, false, true},
    {"gfx", 28, 28, 81, false, true},
};

struct Picture {
  int w = 0, h = 0, depth = 0;
  std::vector<unsigned char> px;
  bool Loaded() const { return w > 0; }
  int Alpha(int x, int y) const { return depth == 4 ? px[((std::size_t)y * w + x) * 4 + 3] : 255; }
};

Picture Load(const std::string& path) {
  Picture p;
  std::string bytes = ReadFile(path);
  unsigned char* data = DecodePng(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                                  &p.w, &p.h, &p.depth);
  if (!data) return Picture();
  p.px.assign(data, data + (std::size_t)p.w * p.h * p.depth);
  std::free(data);
  return p;
}

// A frame of a sheet cut the way the game cuts it: reading order, wrapping.
struct Frame {
  const Picture* pic;
  int x0, y0, w, h;
  int Alpha(int x, int y) const { return pic->Alpha(x0 + x, y0 + y); }
  int InkPixels(int threshold = 24) const {
    int n = 0;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) n += Alpha(x, y) > threshold;
    }
    return n;
  }
  // Leftmost / rightmost column holding ink, -1 when none.
  int FirstColumn() const {
    for (int x = 0; x < w; ++x) {
      for (int y = 0; y < h; ++y) {
        if (Alpha(x, y) > 24) return x;
      }
    }
    return -1;
  }
  int LastColumn() const {
    for (int x = w - 1; x >= 0; --x) {
      for (int y = 0; y < h; ++y) {
        if (Alpha(x, y) > 24) return x;
      }
    }
    return -1;
  }
  std::string Bytes() const {
    std::string s;
    for (int y = 0; y < h; ++y) {
      const unsigned char* row = &pic->px[((std::size_t)(y0 + y) * pic->w + x0) * pic->depth];
      s.append(reinterpret_cast<const char*>(row), (std::size_t)w * pic->depth);
    }
    return s;
  }
};

Frame FrameOf(const Picture& pic, int cw, int ch, int i) {
  int columns = pic.w / cw;
  return {&pic, (i % columns) * cw, (i / columns) * ch, cw, ch};
}

std::string DataDir() { return std::string(KESTRO_BIN_DIR) + "/data"; }
std::string GeneratorPath() { return std::string(KESTRO_BIN_DIR) + "/../tools/images/kestro_images"; }

TEST(ImagesGenerated, EveryImageHasTheFrameGeometryItsLoaderCuts) {
  for (const Expected& e : kImages) {
    std::vector<std::pair<std::string, int>> sets = {{"", 1}};
    if (e.resolutions) sets.insert(sets.end(), {{"-hd", 2}, {"-hd2", 4}});
    for (const auto& [suffix, scale] : sets) {
      std::string path = DataDir() + "/" + e.name + suffix + ".png";
      SCOPED_TRACE(path);
      Picture pic = Load(path);
      ASSERT_TRUE(pic.Loaded()) << "missing or not a PNG";
      EXPECT_EQ(pic.depth, 4);
      EXPECT_LE(pic.w, 8192);
      EXPECT_LE(pic.h, 8192);
      if (e.cell_w == 0) {  // zuli_font: any cell, one strip
        EXPECT_EQ(pic.w % e.frames, 0);
        continue;
      }
      int cw = e.cell_w * scale, ch = e.cell_h * scale;
      if (e.strip) {
        EXPECT_EQ(pic.w, cw * e.frames);
        EXPECT_EQ(pic.h, ch);
        continue;
      }
      ASSERT_EQ(pic.w % cw, 0);
      ASSERT_EQ(pic.h % ch, 0);
      int columns = pic.w / cw, rows = pic.h / ch;
      EXPECT_GE(columns * rows, e.frames);
      EXPECT_LT(columns * rows - e.frames, columns) << "a whole empty row";
    }
  }
}

// Fonts: glyphs and their shadow stay clear of the cell edges and of the
// neighbouring glyphs at the text renderer's advance (7 units plus the
// kerning of narrow and wide letters), in every resolution.
int Kerning(int ch) {
  if (ch == 'w' || ch == 'm') return 2;
  if (ch == 'W' || ch == 'M') return 1;
  if (ch == 'i' || ch == 'f' || ch == 'l') return -3;
  if (std::string("jskrztn").find((char)ch) != std::string::npos) return -1;
  return 0;
}

TEST(ImagesGenerated, FontGlyphsFitTheTextAdvance) {
  for (const auto& [suffix, scale] : std::vector<std::pair<std::string, int>>{{"", 1}, {"-hd", 2}, {"-hd2", 4}}) {
    Picture font = Load(DataDir() + "/fonts/shadow_editundo" + suffix + ".png");
    ASSERT_TRUE(font.Loaded());
    const int cell = 16 * scale, pen = 8 * scale;
    for (int ch = 33; ch < 127; ++ch) {
      Frame f = FrameOf(font, cell, cell, ch - 32);
      SCOPED_TRACE(std::string(suffix) + " glyph '" + (char)ch + "'");
      ASSERT_GT(f.InkPixels(), 0);
      // Ink starts at most 3.5 units left of the pen and ends before the
      // next glyph's ink begins (its pen minus 3 units).
      EXPECT_GE(f.FirstColumn(), pen - 4 * scale);
      EXPECT_LT(f.LastColumn(), pen + (7 + Kerning(ch) - 3) * scale + scale / 2);
    }
    EXPECT_EQ(FrameOf(font, cell, cell, 0).InkPixels(0), 0) << "space";
    EXPECT_EQ(FrameOf(font, cell, cell, 95).InkPixels(0), 0) << "character 127";
    // Button glyphs of the escapes, pad and keyboard styles, and the two
    // blink frames; distinct pictures for distinct controls.
    std::set<std::string> seen;
    for (int frame : {96, 97, 98, 99, 100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 112,
                      113, 114, 115, 116, 117, 118, 119, 120, 121, 122, 123, 124}) {
      Frame f = FrameOf(font, cell, cell, frame);
      EXPECT_GT(f.InkPixels(), 30 * scale * scale) << "frame " << frame;
      EXPECT_TRUE(seen.insert(f.Bytes()).second) << "frame " << frame << " repeats another";
    }
  }
}

TEST(ImagesGenerated, DefaultFontCellsKeepTheirTrimmedBorderEmpty) {
  Picture zuli = Load(DataDir() + "/zuli_font.png");
  ASSERT_TRUE(zuli.Loaded());
  int cw = zuli.w / 96;
  ASSERT_GE(cw, 4);
  for (int i = 0; i < 96; ++i) {
    Frame f{&zuli, i * cw, 0, cw, zuli.h};
    for (int y = 0; y < zuli.h; ++y) {
      EXPECT_EQ(f.Alpha(0, y), 0) << "cell " << i;
      EXPECT_EQ(f.Alpha(cw - 1, y), 0) << "cell " << i;
    }
    if (i >= 1 && i <= 94) {
      EXPECT_GT(f.InkPixels(), 0) << "character " << i + 32;
    }
  }
}

TEST(ImagesGenerated, PlayfieldFramesTheGameDrawsHoldPicturesAndNoOthers) {
  std::set<int> drawn = {0, 1, 2, 3, 36};
  for (int i = 9; i <= 32; ++i) {
    if (i <= 23 || i >= 27) drawn.insert(i);
  }
  for (const auto& [suffix, scale] : std::vector<std::pair<std::string, int>>{{"", 1}, {"-hd", 2}, {"-hd2", 4}}) {
    Picture gfx = Load(DataDir() + "/gfx" + suffix + ".png");
    ASSERT_TRUE(gfx.Loaded());
    const int cell = 28 * scale;
    for (int i = 0; i < 81; ++i) {
      Frame f = FrameOf(gfx, cell, cell, i);
      if (drawn.count(i)) {
        EXPECT_GT(f.InkPixels(), 80 * scale * scale) << suffix << " frame " << i;
      } else {
        EXPECT_EQ(f.InkPixels(0), 0) << suffix << " frame " << i << " should be empty";
      }
    }
    // The two runners are different characters, and each animates.
    EXPECT_NE(FrameOf(gfx, cell, cell, 18).Bytes(), FrameOf(gfx, cell, cell, 27).Bytes());
    std::set<std::string> left, right;
    for (int i = 0; i < 6; ++i) {
      left.insert(FrameOf(gfx, cell, cell, 18 + i).Bytes());
      right.insert(FrameOf(gfx, cell, cell, 27 + i).Bytes());
    }
    EXPECT_GE(left.size(), 4u);
    EXPECT_GE(right.size(), 4u);
    // A deadly tile under another reaches the top of its cell, so it joins
    // the one above (rows are 24 units apart in 28-unit cells).
    Frame joint = FrameOf(gfx, cell, cell, 17);
    int top_ink = 0;
    for (int x = 0; x < cell; ++x) top_ink += joint.Alpha(x, 0) > 128;
    EXPECT_GT(top_ink, cell / 2);
  }
}

TEST(ImagesGenerated, EveryStarAndBadgeFrameHoldsItsOwnPicture) {
  Picture parts = Load(DataDir() + "/parts.png");
  ASSERT_TRUE(parts.Loaded());
  for (int i = 0; i < 256; ++i) {
    Frame f = FrameOf(parts, 8, 8, i);
    // A light in the middle of the cell that fades before the edge.
    EXPECT_GT(f.Alpha(4, 4) + f.Alpha(3, 3) + f.Alpha(3, 4) + f.Alpha(4, 3), 400) << "star " << i;
  }
  for (const auto& [suffix, scale] : std::vector<std::pair<std::string, int>>{{"", 1}, {"-hd2", 4}}) {
    Picture badges = Load(DataDir() + "/BadgesA" + suffix + ".png");
    ASSERT_TRUE(badges.Loaded());
    std::set<std::string> seen;
    for (int i = 0; i < 64; ++i) {
      Frame f = FrameOf(badges, 64 * scale, 64 * scale, i);
      EXPECT_GT(f.InkPixels(), 1000 * scale * scale) << "badge " << i;
      EXPECT_TRUE(seen.insert(f.Bytes()).second) << "badge " << i << " repeats another";
    }
  }
}

TEST(ImagesGenerated, FramesTheMenusDrawAreNotEmpty) {
  struct Use {
    const char* name;
    int cell;
    std::vector<int> frames;
  };
  // Icons: pause, quit, play, selection ring, calibrate. Buttons: the ring's
  // items, the three gear layers, the framework mark. D-pad: button, arms,
  // centre. Circle: the gear plate and the ring track.
  const Use uses[] = {{"common/icons", 32, {0, 1, 3, 6, 7}},
                      {"common/Buttons", 64, {0, 1, 2, 8, 9, 10, 12}},
                      {"common/dpad", 32, {0, 1, 4, 5, 6, 9}},
                      {"common/circle", 256, {1, 3}},
                      {"common/light", 32, {0, 1, 2, 3}},
                      {"common/PlondrelLogo", 256, {0}},
                      {"logo", 256, {0}}};
  for (const Use& u : uses) {
    Picture pic = Load(DataDir() + "/" + u.name + "-hd.png");
    ASSERT_TRUE(pic.Loaded()) << u.name;
    int ch = std::string(u.name) == "logo" ? 128 : u.cell;
    for (int f : u.frames) {
      EXPECT_GT(FrameOf(pic, u.cell * 2, ch * 2, f).InkPixels(), 200) << u.name << " frame " << f;
    }
  }
}

std::map<std::string, std::string> ReadTree(const std::string& root, const std::string& rel = "") {
  std::map<std::string, std::string> files;
  DIR* d = opendir((root + "/" + rel).c_str());
  if (!d) return files;
  while (dirent* e = readdir(d)) {
    std::string n = e->d_name;
    if (n == "." || n == "..") continue;
    std::string r = rel.empty() ? n : rel + "/" + n;
    struct stat st;
    if (stat((root + "/" + r).c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      auto sub = ReadTree(root, r);
      files.insert(sub.begin(), sub.end());
    } else {
      files[r] = ReadFile(root + "/" + r);
    }
  }
  closedir(d);
  return files;
}

TEST(ImagesGenerator, SameBytesOnEveryRunAndAsTheBuildsData) {
  std::string a = MakeTempDir("images-a"), b = MakeTempDir("images-b");
  RunResult ra = RunCommand({GeneratorPath(), a}, 120);
  RunResult rb = RunCommand({GeneratorPath(), b}, 120);
  ASSERT_EQ(ra.exit_code, 0) << ra.err;
  ASSERT_EQ(rb.exit_code, 0) << rb.err;
  auto fa = ReadTree(a), fb = ReadTree(b);
  EXPECT_EQ(fa.size(), 1u + 12u * 3u);
  ASSERT_EQ(fa.size(), fb.size());
  for (const auto& [name, bytes] : fa) {
    ASSERT_TRUE(fb.count(name)) << name;
    EXPECT_TRUE(bytes == fb[name]) << name << " differs between runs";
    // The build's data folder was made by the same generator.
    EXPECT_TRUE(ReadFile(DataDir() + "/" + name) == bytes) << name << " differs from the build's";
  }
  // Asked to write where it cannot, it says so and fails.
  RunResult bad = RunCommand({GeneratorPath(), "/proc/no-such-place"}, 60);
  EXPECT_NE(bad.exit_code, 0);
  EXPECT_NE(bad.err.find("cannot write"), std::string::npos);
}

}  // namespace
