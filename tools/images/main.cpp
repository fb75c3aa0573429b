// Generates every image file of the game's data folder.
//   kestro_images OUT_DIR
// Each sheet is drawn three times, at its plain cell size and at twice and
// four times that ("-hd", "-hd2"), from the same vector drawings, so every
// set is sharp at its own resolution. Frames are laid out in reading order
// (left to right, rows top to bottom), which is how the game cuts them; the
// two fonts are single strips as their loaders require. Output is the same
// bytes on every run. KESTRO_IMAGES_TIMING=1 prints the CPU seconds of each
// sheet to standard error.
#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <string>

#include "art.h"
#include "png_writer.h"

namespace {

using art::Cell;

struct Sheet {
  const char* name;  // data path without ".png"
  int cell_w, cell_h, frames, columns;
  bool resolutions;  // also "-hd" (x2) and "-hd2" (x4)
  void (*draw)(const Cell&, int);
};

// Sizes and counts are what the game's loaders expect.
const Sheet kSheets[] = {
    {"zuli_font", 10, 14, 96, 96, false, art::DrawZuliFontFrame},
    {"fonts/shadow_editundo", 16, 16, 128, 128, true, art::DrawShadowFontFrame},
    {"common/PlondrelLogo", 256, 256, 1, 1, true, art::DrawStudioLogo},
    {"common/icons", 32, 32, 16, 4, true, art::DrawIcon},
    {"common/Buttons", 64, 64, 16, 4, true, art::DrawButton},
    {"common/dpad", 32, 32, 16, 4, true, art::DrawDpad},
    {"menu", 256, 256, 4, 2, true, art::DrawMenuPanel},
    {"logo", 256, 128, 1, 1, true, art::DrawTitleLogo},
    {"BadgesA", 64, 64, 64, 8, true, art::DrawBadge},
    {"parts", 8, 8, 256, 16, true, art::DrawParticle},
    {"common/circle", 256, 256, 4, 2, true, art::DrawCircle},
    {"common/light", 32, 32, 4, 2, true, art::DrawLight},
    {"gfx", 28, 28, 81, 9, true, art::DrawPlayfield},
};

bool write_sheet(const std::string& out_dir, const Sheet& sheet, int scale, const char* suffix) {
  int rows = (sheet.frames + sheet.columns - 1) / sheet.columns;
  int cw = sheet.cell_w * scale, ch = sheet.cell_h * scale;
  art::Image img(sheet.columns * cw, rows * ch);
  for (int f = 0; f < sheet.frames; ++f) {
    Cell cell(&img, (f % sheet.columns) * cw, (f / sheet.columns) * ch, cw, ch, (float)scale);
    sheet.draw(cell, f);
  }
  std::string path = out_dir + "/" + sheet.name + suffix + ".png";
  if (!art::WriteFileBytes(path, art::EncodePng(img.ToRgba8(), img.Width(), img.Height()))) {
    std::fprintf(stderr, "kestro_images: cannot write %s\n", path.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kestro_images OUT_DIR\n");
    return 2;
  }
  std::string out = argv[1];
  for (const Sheet& sheet : kSheets) {
    std::clock_t t0 = std::clock();
    if (!write_sheet(out, sheet, 1, "")) return 1;
    if (sheet.resolutions) {
      if (!write_sheet(out, sheet, 2, "-hd") || !write_sheet(out, sheet, 4, "-hd2")) return 1;
    }
    if (std::getenv("KESTRO_IMAGES_TIMING")) {
      std::fprintf(stderr, "%s %.2f\n", sheet.name, (std::clock() - t0) / (double)CLOCKS_PER_SEC);
    }
  }
  return 0;
}
