// Draw state, draw records, text, the palette and image slots.
//
// Every helper here appends to (or prepares) the frame's draw list; nothing
// touches the renderer. A record takes the draw state current when it is
// appended. The list holds at most 2499 records; later ones of the same frame
// are dropped without a word.
//
// Text works on the String's units directly: the leading space the layout
// rules add is virtual (unit 0 of the laid-out text), so drawing a text
// allocates nothing.
//
// Decisions that were ours:
//  - A background channel of -123 or less keeps its target: -123 is the
//    "not given" value of p_DoBG (the pause menu passes it for all four), and
//    taking it as a colour would put a negative, wrapping clear colour on
//    screen.
//  - A line feed character (10) breaks the line exactly as the two characters
//    backslash and "n" do, and is measured like them.
//  - p_rstr with a width of 0 or less gives the empty text.
//  - Image and font slots outside 0..99 are ignored by the loaders.
#include <cmath>

#include "game/globals.h"
#include "game/myapp.h"

namespace {

constexpr int kSlots = 100;
constexpr int kFontFrames = 128;
constexpr int kFontCell = 16;     // glyph cell of the plain font set, pixels
constexpr int kEscapeChar = 172;  // "¬": the next letter names a button glyph
constexpr float kBgKeep = -123;   // p_DoBG: channel / alpha not given

bool ValidSlot(int slot) { return slot >= 0 && slot < kSlots; }

// sin and cos of an angle in degrees, exact at multiples of 90 so that text
// at angle 0 lands on whole positions.
void SinCosDeg(float degrees, float* s, float* c) {
  float r = std::fmod(degrees, 360.0f);
  if (r < 0) r += 360.0f;
  if (r == 0) {
    *s = 0, *c = 1;
  } else if (r == 90) {
    *s = 1, *c = 0;
  } else if (r == 180) {
    *s = 0, *c = -1;
  } else if (r == 270) {
    *s = -1, *c = 0;
  } else {
    float rad = r * 0.017453292f;
    *s = std::sin(rad);
    *c = std::cos(rad);
  }
}

// The button glyph an escape letter stands for: base frame, flash frame
// (-1 for none) and kerning.
struct EscapeGlyph {
  int base, flash, kerning;
};

EscapeGlyph Escape(int letter) {
  switch (letter) {
    case 'J': return {96, 109, 4};
    case 'K': return {97, 109, 4};
    case 'L': return {98, 109, 4};
    case 'I': return {99, 109, 4};
    case 'U': return {100, 110, 6};
    case 'O': return {101, 110, 6};
    case 'Q': return {102, -1, 4};
    case 'E': return {103, -1, 4};
    case 'F': return {104, -1, 4};
    case 'W': return {105, 104, 4};
    case 'S': return {106, 104, 4};
    case 'A': return {107, 104, 4};
    case 'D': return {108, 104, 4};
    default: return {letter, -1, 4};
  }
}

// Unit i of the laid-out text: a space, then the text.
inline int LaidOut(const String& text, int i) { return i == 0 ? ' ' : text[i - 1]; }

}  // namespace

int c_MyApp::TextKerning(int ch) {
  switch (ch) {
    case 'w':
    case 'm':
      return 2;
    case 'W':
    case 'M':
      return 1;
    case 'i':
    case 'f':
    case 'l':
      return -3;
    case 'j':
    case 's':
    case 'k':
    case 'r':
    case 'z':
    case 't':
    case 'n':
      return -1;
    default:
      return 0;
  }
}

// ---- Draw state -------------------------------------------------------------

int c_MyApp::p_SetCol(float r, float g, float b, float a) {
  m_red = r;
  m_green = g;
  m_blue = b;
  if (a > kUnset) m_alpha = a;
  return 0;
}

int c_MyApp::p_Alpha(float a) {
  m_alpha = a;
  return 0;
}

int c_MyApp::p_SetSize(float sx, float sy) {
  m_sizeX = sx;
  m_sizeY = sy == kUnset ? sx : sy;
  return 0;
}

int c_MyApp::p_SetRot(float angle) {
  m_rot = -angle;
  return 0;
}

int c_MyApp::p_ResetDraw() {
  m_sizeX = m_sizeY = 1;
  m_rot = 0;
  m_red = m_green = m_blue = 255;
  m_alpha = 1;
  m_blend = 1;
  return 0;
}

// ---- Records ----------------------------------------------------------------

namespace {

// Appends one record with the current draw state; false when the list is full.
inline bool Append(c_MyApp* app, float type, float x, float y, float a, float b, float frame) {
  if (app->m_drawCount >= c_MyApp::kDrawListLimit) return false;
  float* r = app->m_drawList.Data() + app->m_drawCount;
  r[0] = type;
  r[1] = x;
  r[2] = y;
  r[3] = app->m_rot;
  r[4] = a;
  r[5] = b;
  r[6] = frame;
  r[7] = app->m_alpha;
  r[10] = app->m_red;
  r[11] = app->m_green;
  r[12] = app->m_blue;
  r[13] = (float)app->m_blend;
  app->m_drawCount += c_MyApp::kRecordFloats;
  return true;
}

}  // namespace

int c_MyApp::p_DrawImg(int slot, float x, float y, int frame) {
  Append(this, (float)slot, x, y, m_sizeX, m_sizeY, (float)frame);
  return 0;
}

int c_MyApp::p_Rect(float x, float y, float w, float h) {
  Append(this, kRectRecord, x, y, w, h, 0);
  return 0;
}

int c_MyApp::p_Oval(float cx, float cy, float rx, float ry) {
  Append(this, kOvalRecord, cx, cy, rx, ry, 0);
  return 0;
}

int c_MyApp::p_Line(float x1, float y1, float x2, float y2) {
  Append(this, kLineRecord, x1, y1, x2, y2, 0);
  return 0;
}

// ---- Frame start --------------------------------------------------------------

int c_MyApp::p_CLS2D(float r, float g, float b, float a) {
  m_viewX = 0;
  m_viewY = 0;
  m_viewW = rv_Quenmor_jscrw;
  m_viewH = rv_Quenmor_jscrh;
  if (r > kUnset) {
    m_clsRed = r;
    m_clsGreen = g;
    m_clsBlue = b;
    m_clsAlpha = a;
  }
  p_ResetDraw();
  m_drawCount = 0;
  return 0;
}

int c_MyApp::p_DoBG(float r, float g, float b, float a) {
  if (r > kBgKeep) m_bgTargetR = r;
  if (g > kBgKeep) m_bgTargetG = g;
  if (b > kBgKeep) m_bgTargetB = b;
  m_bgR += (m_bgTargetR - m_bgR) * 0.125f;
  m_bgG += (m_bgTargetG - m_bgG) * 0.125f;
  m_bgB += (m_bgTargetB - m_bgB) * 0.125f;
  float alpha = a == kBgKeep ? 1.0f : (a < 0 ? 0.0f : (a > 1 ? 1.0f : a));
  return p_CLS2D(m_bgR, m_bgG, m_bgB, alpha);
}

// ---- Text ---------------------------------------------------------------------

int c_MyApp::p_Text(float x, float y, String text, float alignX, float alignY, int fontOffset) {
  int slot = m_fontSlot;
  if (!ValidSlot(slot)) return 0;
  const float W = (float)m_imageInfo[slot * 3];
  const float H = (float)m_imageInfo[slot * 3 + 1];
  const int n = text.Length() + 1;  // laid-out length (with the leading space)

  // Width: every unit but the last, truncated after each addition; an escape
  // pair counts once, a line break as its two characters.
  float width = 0;
  for (int i = 0; i < n - 1; ++i) {
    int ch = LaidOut(text, i);
    if (ch == kEscapeChar) {
      width = std::trunc(width + (2 + W) * m_sizeX);
      ++i;
    } else if (ch == '\n') {
      width = std::trunc(width + (TextKerning('\\') + W) * m_sizeX);
      width = std::trunc(width + (TextKerning('n') + W) * m_sizeX);
    } else {
      width = std::trunc(width + (TextKerning(ch) + W) * m_sizeX);
    }
  }

  const float a = -m_rot;
  float sa, ca, sa90, ca90;
  SinCosDeg(a, &sa, &ca);
  SinCosDeg(a - 90, &sa90, &ca90);
  const float x0 = x + sa90 * width * alignX * 0.5f + sa * H * m_sizeY * (alignY - 1) * 0.5f;
  const float y0 = y - ca90 * width * alignX * 0.5f - ca * H * m_sizeY * (alignY - 1) * 0.5f;
  // Directions: along the text (90 + a) and down the lines (180 + a).
  float sAlong, cAlong, sDown, cDown;
  SinCosDeg(90 + a, &sAlong, &cAlong);
  SinCosDeg(180 + a, &sDown, &cDown);

  const int glyphSlot = slot + fontOffset;
  const bool flash = m_controlStyle == 1 && rv_app_Millisecs() % 500 < 200;
  float px = x0, py = y0;
  int lines = 0;
  for (int i = 0; i < n; ++i) {
    int ch = LaidOut(text, i);
    bool twoCharBreak = ch == '\\' && i + 1 < n && LaidOut(text, i + 1) == 'n';
    if (twoCharBreak || ch == '\n') {
      ++lines;
      px = x0 + sDown * lines * H * m_sizeY + W * m_sizeX * sAlong;
      py = y0 - cDown * lines * H * m_sizeY;
      if (twoCharBreak) ++i;
      continue;
    }
    if (ch == 0) continue;
    int frame, kerning;
    if (ch == kEscapeChar && i + 1 < n) {
      EscapeGlyph e = Escape(LaidOut(text, ++i));
      kerning = e.kerning;
      if (flash && e.flash >= 0) {
        frame = e.flash;
      } else {
        frame = e.base + (m_controlStyle == 0 ? 16 : 0);
      }
    } else {
      frame = ch - 32;
      kerning = TextKerning(ch);
    }
    if (frame >= 1 && frame <= 127) p_DrawImg(glyphSlot, px, py, frame);
    float step = (kerning + W) * m_sizeX;
    px += sAlong * step;
    py -= cAlong * step;
  }
  return 0;
}

String c_MyApp::p_rstr(int width, int value, String padText) {
  if (width <= 0) return String();
  // Only as many copies of the padding as the cut keeps: the same result as
  // `width` copies, without building a text `width` paddings long.
  String padded(value);
  int copies = 0;
  while (padded.Length() < width && copies < width && !padText.Empty()) {
    padded = padText + padded;
    ++copies;
  }
  if (padded.Length() <= width) return padded;
  return padded.Slice(padded.Length() - width);
}

// ---- Palette --------------------------------------------------------------------

int c_MyApp::p_Ink(int colour, float brightness) {
  static const float kFactors[10][3] = {
      {0.3f, 0.3f, 0.3f},  // any other colour
      {1.0f, 0.1f, 0.1f}, {1.0f, 0.5f, 0.1f}, {1.0f, 1.0f, 0.1f},
      {0.1f, 1.0f, 0.1f}, {0.1f, 1.0f, 1.0f}, {0.1f, 0.1f, 1.0f},
      {0.5f, 0.1f, 1.0f}, {1.0f, 0.1f, 0.5f}, {1.0f, 1.0f, 1.0f},
  };
  const float* f = kFactors[colour >= 1 && colour <= 9 ? colour : 0];
  auto channel = [&](float factor) {
    float v = factor * brightness * 255.0f;
    return v < 0 ? 0.0f : (v > 255 ? 255.0f : v);
  };
  m_red = channel(f[0]);
  m_green = channel(f[1]);
  m_blue = channel(f[2]);
  return 0;
}

// ---- Image slots ------------------------------------------------------------------

namespace {

String LevelSuffix(int level) {
  if (level == 2) return String("-hd");
  if (level == 4) return String("-hd2");
  return String();
}

}  // namespace

int c_MyApp::p_LoadImg(int slot, String name, int w, int h, int frames, int flags) {
  if (!ValidSlot(slot)) return 0;
  int level = m_assetLevel;
  String path = name + LevelSuffix(level) + String(".png");
  m_images[slot] = nullptr;
  gc_assign(m_images[slot], rv_graphics_LoadImage2(path, w * level, h * level, frames, flags));
  m_imageInfo[slot * 3] = w * level;
  m_imageInfo[slot * 3 + 1] = h * level;
  m_imageInfo[slot * 3 + 2] = frames;
  return 0;
}

int c_MyApp::p_LoadFont(int slot, String name, int glyphW, int glyphH) {
  if (!ValidSlot(slot)) return 0;
  int level = m_assetLevel;
  String path = name + LevelSuffix(level) + String(".png");
  m_images[slot] = nullptr;
  gc_assign(m_images[slot], rv_graphics_LoadImage2(path, kFontCell * level, kFontCell * level,
                                                   kFontFrames, c_Image::CentreHandle));
  m_imageInfo[slot * 3] = glyphW;
  m_imageInfo[slot * 3 + 1] = glyphH;
  m_imageInfo[slot * 3 + 2] = kFontFrames;
  m_fontSlot = slot;
  return 0;
}

// Runs during an update, outside the render bracket: the surface comes from
// the installed device, not the render device.
int c_MyApp::p_ReserveImg(int slot, int w, int h) {
  if (!ValidSlot(slot)) return 0;
  m_images[slot] = nullptr;
  gxtkSurface* surface = rv_graphics_device ? rv_graphics_device->CreateSurface(w, h) : nullptr;
  if (surface) {
    gc_assign(m_images[slot],
              (new c_Image())->m_new()->p_Init(surface, 1, c_Image::CentreHandle));
  }
  m_imageInfo[slot * 3] = w;
  m_imageInfo[slot * 3 + 1] = h;
  m_imageInfo[slot * 3 + 2] = 1;
  m_targetSlot = slot;
  return 0;
}
