// The two fonts.
//
// fonts/shadow_editundo: 128 glyphs for characters 32..159, drawn centred on
// the pen (the game loads it with a centred handle) and advanced 7 units, so
// a glyph's ink starts 3 units left of the pen and a dark shadow lies one
// unit down-right. Frames 96..126 are the button glyphs of the text escapes:
//   96..99   pad buttons 1..4 (letters J K L I)  112..115 key caps J K L I
//   100,101  left/right shoulder (U O)           116,117  key caps U O
//   102..104 back, start, d-pad (Q E F)          118..120 Backspace, Enter, Space
//   105..108 d-pad up/down/left/right (W S A D)  121..124 key caps W S A D
//   109,110  a pad / shoulder button lit up (the blink between frames)
// The key caps show the keys the game binds to those controls (J K L I U O
// and W S A D are all bound), so a hint like "K / L" is what to press.
//
// zuli_font: the framework's default font, 96 cells of 10 x 14 with an
// empty column at each side of every cell (loaded with PadX).
#include "art.h"
#include "glyphs.h"

namespace art {

namespace {

const Rgba kInk{1, 1, 1, 1};
const Rgba kShadow{0, 0, 0, 0.9f};

// 3 x 5 labels for the small buttons at the plain size.
const char* const kMini[][5] = {
    {".#.", "##.", ".#.", ".#.", "###"},  // 1
    {"##.", "..#", ".#.", "#..", "###"},  // 2
    {"##.", "..#", ".#.", "..#", "##."},  // 3
    {"#.#", "#.#", "###", "..#", "..#"},  // 4
    {"#..", "#..", "#..", "#..", "###"},  // L
    {"##.", "#.#", "##.", "#.#", "#.#"},  // R
};

// A label centred on c: the 3x5 mini bitmap at scale 1, else the big
// glyph stroked to `height` units.
void Label(const Cell& cell, int mini, char ch, V2 c, float height, Rgba ink) {
  if (cell.Scale() == 1) {
    int x0 = (int)std::floor(c.x - 1.5f + 0.5f), y0 = (int)std::floor(c.y - 2.5f + 0.5f);
    for (int y = 0; y < 5; ++y) {
      for (int x = 0; x < 3; ++x) {
        if (kMini[mini][y][x] == '#') cell.Pixel(x0 + x, y0 + y, ink);
      }
    }
    return;
  }
  const Glyph& g = GlyphOf(ch);
  float unit = height / 7;
  StrokeGlyph(cell, g, {c.x - g.width * unit * 0.5f, c.y - 3.5f * unit}, unit, 0.62f, ink);
}

// A letter on a key cap: the real glyph, pixel-exact at scale 1.
void CapLetter(const Cell& cell, char ch, V2 c, Rgba ink) {
  const Glyph& g = GlyphOf(ch);
  if (cell.Scale() == 1) {
    BlitGlyph(cell, g, (int)std::floor(c.x - g.width * 0.5f), (int)std::floor(c.y - 3.5f), ink,
              {});
    return;
  }
  StrokeGlyph(cell, g, {c.x - g.width * 0.5f, c.y - 3.5f}, 1.0f, 0.55f, ink);
}

const V2 kButtonCentre{8, 7.5f};

void PadButton(const Cell& cell, Rgba colour, int mini, char ch) {
  V2 c = kButtonCentre;
  cell.Fill(BoxAround({c.x + 0.8f, c.y + 0.8f}, 5.5f),
            [&](V2 p) { return SdCircle(p, {c.x + 0.8f, c.y + 0.8f}, 5); }, kShadow);
  GlossyDisc(cell, c, 5, colour, 0.9f);
  Label(cell, mini, ch, c, 4.6f, kInk);
}

void LitDisc(const Cell& cell, V2 c, float r) {
  cell.Fill(BoxAround(c, r + 2), [&](V2 p) { return SdCircle(p, c, r + 0.6f); },
            Rgba{1, 1, 0.6f, 0.55f}, 1.2f);
  cell.Fill(BoxAround(c, r), [&](V2 p) { return SdCircle(p, c, r); },
            Radial{c, r, Rgba{1, 1, 1, 1}, Hex(0xffe27a)});
}

float SdTab(V2 p, V2 c) { return SdBox(p, c, {6, 3.6f}, 2.6f); }

void ShoulderButton(const Cell& cell, bool left, bool lit) {
  V2 c{9, 7.5f};
  cell.Fill(BoxAround({c.x + 0.8f, c.y + 0.8f}, 7), [&](V2 p) { return SdTab(p, {c.x + 0.8f, c.y + 0.8f}); },
            kShadow);
  if (lit) {
    cell.Fill(BoxAround(c, 8), [&](V2 p) { return SdTab(p, c) - 0.6f; }, Rgba{1, 1, 0.6f, 0.5f},
              1.2f);
    cell.Fill(BoxAround(c, 7), [&](V2 p) { return SdTab(p, c); },
              Linear{{c.x, c.y - 3.6f}, {c.x, c.y + 3.6f}, Rgba{1, 1, 1, 1}, Hex(0xffe27a)});
    return;
  }
  Rgba base = Hex(0x5b6c8f);
  cell.Fill(BoxAround(c, 7), [&](V2 p) { return SdTab(p, c); }, Shade(base, 0.5f));
  cell.Fill(BoxAround(c, 7), [&](V2 p) { return SdTab(p, c) + 0.8f; },
            Linear{{c.x, c.y - 3}, {c.x, c.y + 3}, Shade(base, 1.3f), Shade(base, 0.85f)});
  Label(cell, left ? 4 : 5, left ? 'L' : 'R', c, 4.6f, kInk);
}

float SdPill(V2 p, V2 c) { return SdBox(p, c, {5, 3.4f}, 3.4f); }

void SystemButton(const Cell& cell, int kind) {  // 0 back, 1 start
  V2 c = kButtonCentre;
  cell.Fill(BoxAround({c.x + 0.8f, c.y + 0.8f}, 6), [&](V2 p) { return SdPill(p, {c.x + 0.8f, c.y + 0.8f}); },
            kShadow);
  Rgba base = Hex(0x3c4150);
  cell.Fill(BoxAround(c, 6), [&](V2 p) { return SdPill(p, c); }, Shade(base, 0.6f));
  cell.Fill(BoxAround(c, 6), [&](V2 p) { return SdPill(p, c) + 0.8f; },
            Linear{{c.x, c.y - 3}, {c.x, c.y + 3}, Shade(base, 1.45f), base});
  std::vector<V2> tri = kind == 0 ? std::vector<V2>{{c.x + 1.8f, c.y - 2}, {c.x + 1.8f, c.y + 2}, {c.x - 2, c.y}}
                                  : std::vector<V2>{{c.x - 1.6f, c.y - 2}, {c.x - 1.6f, c.y + 2}, {c.x + 2.2f, c.y}};
  cell.Fill(BoundsOf(tri, 1), [&](V2 p) { return SdPolygon(p, tri); }, kInk);
}

// The d-pad cross; `lit` 0..3 = up, down, left, right highlighted, -1 none.
void DpadGlyph(const Cell& cell, int lit) {
  V2 c = kButtonCentre;
  const float arm = 5.4f, half = 1.9f;
  auto cross = [&](V2 p, V2 o) {
    return std::min(SdBox(p, o, {arm, half}, 0.8f), SdBox(p, o, {half, arm}, 0.8f));
  };
  V2 so{c.x + 0.8f, c.y + 0.8f};
  cell.Fill(BoxAround(so, arm + 1), [&](V2 p) { return cross(p, so); }, kShadow);
  Rgba base = Hex(0x4a5063);
  cell.Fill(BoxAround(c, arm + 1), [&](V2 p) { return cross(p, c); }, Shade(base, 0.55f));
  cell.Fill(BoxAround(c, arm + 1), [&](V2 p) { return cross(p, c) + 0.7f; },
            Linear{{c.x, c.y - arm}, {c.x, c.y + arm}, Shade(base, 1.5f), base});
  if (lit >= 0) {
    static const V2 kDir[4] = {{0, -1}, {0, 1}, {-1, 0}, {1, 0}};
    V2 d = kDir[lit];
    V2 ac = c + d * 3.2f;
    V2 hw = d.x != 0 ? V2{2.2f, half - 0.7f} : V2{half - 0.7f, 2.2f};
    cell.Fill(BoxAround(ac, 4), [&](V2 p) { return SdBox(p, ac, hw, 0.6f); }, Hex(0xffd23f));
  }
  // Arrow nubs on each arm.
  for (int i = 0; i < 4; ++i) {
    static const V2 kDir[4] = {{0, -1}, {0, 1}, {-1, 0}, {1, 0}};
    if (i == lit) continue;
    V2 d = kDir[i];
    V2 tip = c + d * 4.4f, side{d.y, d.x};
    std::vector<V2> tri = {tip, c + d * 3.1f + side * 1.0f, c + d * 3.1f - side * 1.0f};
    cell.Fill(BoundsOf(tri, 1), [&](V2 p) { return SdPolygon(p, tri); }, Rgba{1, 1, 1, 0.55f});
  }
}

float SdCap(V2 p, V2 c, V2 half) { return SdBox(p, c, half, 1.8f); }

// A keyboard key seen from the front: light face, darker base below it.
void KeyCap(const Cell& cell, float half_w) {
  V2 face{8.5f, 7}, base{8.5f, 7.9f};
  V2 half{half_w, 5};
  cell.Fill(BoxAround({base.x + 0.7f, base.y + 0.8f}, 8),
            [&](V2 p) { return SdCap(p, {base.x + 0.7f, base.y + 0.8f}, half); }, kShadow);
  cell.Fill(BoxAround(base, 8), [&](V2 p) { return SdCap(p, base, half); }, Hex(0x7d8494));
  cell.Fill(BoxAround(face, 8), [&](V2 p) { return SdCap(p, face, {half.x - 0.6f, half.y - 0.6f}); },
            Linear{{face.x, face.y - 5}, {face.x, face.y + 5}, Hex(0xffffff), Hex(0xd3d7df)});
}

const Rgba kCapInk = Hex(0x23262f);

void LetterKey(const Cell& cell, char ch) {
  KeyCap(cell, 5.5f);
  CapLetter(cell, ch, {8.5f, 7.5f}, kCapInk);
}

void SymbolKey(const Cell& cell, int kind) {  // 0 backspace, 1 enter, 2 space
  if (kind == 2) {
    V2 face{8.5f, 8}, base{8.5f, 8.9f};
    V2 half{7, 3.6f};
    cell.Fill(BoxAround(base, 9), [&](V2 p) { return SdCap(p, {base.x + 0.7f, base.y + 0.8f}, half); },
              kShadow);
    cell.Fill(BoxAround(base, 9), [&](V2 p) { return SdCap(p, base, half); }, Hex(0x7d8494));
    cell.Fill(BoxAround(face, 9), [&](V2 p) { return SdCap(p, face, {half.x - 0.6f, half.y - 0.6f}); },
              Linear{{face.x, face.y - 4}, {face.x, face.y + 4}, Hex(0xffffff), Hex(0xd3d7df)});
    // The space mark: a low bracket.
    const float w = 0.55f;
    V2 a{5.5f, 7}, b{5.5f, 9}, e{11.5f, 9}, f{11.5f, 7};
    cell.Fill({3, 5, 14, 11},
              [&](V2 p) {
                return std::min({SdCapsule(p, a, b, w), SdCapsule(p, b, e, w), SdCapsule(p, e, f, w)});
              },
              kCapInk);
    return;
  }
  KeyCap(cell, 5.5f);
  const float w = 0.6f;
  if (kind == 0) {  // a long arrow to the left
    V2 tail{12, 7.5f}, head{5, 7.5f};
    cell.Fill({3, 3, 14, 12},
              [&](V2 p) {
                return std::min({SdCapsule(p, tail, head, w), SdCapsule(p, head, {7.4f, 5.1f}, w),
                                 SdCapsule(p, head, {7.4f, 9.9f}, w)});
              },
              kCapInk);
  } else {  // the return arrow: down from the top right, then left
    V2 top{11.5f, 4}, corner{11.5f, 8.5f}, head{5.5f, 8.5f};
    cell.Fill({3, 2, 14, 12},
              [&](V2 p) {
                return std::min({SdCapsule(p, top, corner, w), SdCapsule(p, corner, head, w),
                                 SdCapsule(p, head, {7.7f, 6.3f}, w),
                                 SdCapsule(p, head, {7.7f, 10.7f}, w)});
              },
              kCapInk);
  }
}

void Decoration(const Cell& cell, int kind) {
  V2 c = kButtonCentre;
  if (kind == 0) {  // coin
    cell.Fill(BoxAround(c, 6), [&](V2 p) { return SdCircle(p, {c.x + 0.8f, c.y + 0.8f}, 4.5f); }, kShadow);
    GlossyDisc(cell, c, 4.5f, Hex(0xf5b700), 0.8f);
    cell.Fill(BoxAround(c, 4), [&](V2 p) { return SdRing(p, c, 2.4f, 0.35f); }, Hex(0xfff2b0, 0.9f));
  } else if (kind == 1) {  // star
    auto pts = StarPoints(c, 5, 5.6f, 2.4f);
    auto sh = StarPoints({c.x + 0.8f, c.y + 0.8f}, 5, 5.6f, 2.4f);
    cell.Fill(BoundsOf(sh, 1), [&](V2 p) { return SdPolygon(p, sh); }, kShadow);
    cell.Fill(BoundsOf(pts, 1), [&](V2 p) { return SdPolygon(p, pts); },
              Linear{{c.x, c.y - 5}, {c.x, c.y + 5}, Hex(0xfff3a0), Hex(0xffb400)});
  } else {  // heart
    auto heart = [&](V2 p, V2 o) {
      V2 q{std::fabs(p.x - o.x), p.y - o.y};
      float lobe = SdCircle(q, {2.2f, -1.4f}, 2.6f);
      std::vector<V2> tip = {{0, 4.8f}, {4.6f, -0.4f}, {0, -1.2f}, {-4.6f, -0.4f}};
      float body = SdPolygon({p.x - o.x, p.y - o.y}, tip);
      return std::min(lobe, body);
    };
    cell.Fill(BoxAround(c, 7), [&](V2 p) { return heart(p, {c.x + 0.8f, c.y + 0.8f}); }, kShadow);
    cell.Fill(BoxAround(c, 7), [&](V2 p) { return heart(p, c); },
              Linear{{c.x, c.y - 4}, {c.x, c.y + 5}, Hex(0xff7a8a), Hex(0xd61f45)});
  }
}

}  // namespace

void DrawShadowFontFrame(const Cell& cell, int frame) {
  if (frame < 95) {
    int ch = frame + 32;
    if (ch == ' ') return;
    const Glyph& g = GlyphOf(ch);
    // Ink from 3 units left of the pen (the cell centre), cap top 5 above it.
    if (cell.Scale() == 1) {
      BlitGlyph(cell, g, 5, 3, kInk, kShadow);
    } else {
      StrokeGlyph(cell, g, {6, 4}, 1, 0.56f, kShadow);
      StrokeGlyph(cell, g, {5, 3}, 1, 0.56f, kInk);
    }
    return;
  }
  switch (frame) {
    case 96: PadButton(cell, Hex(0x1fb5a6), 0, '1'); break;
    case 97: PadButton(cell, Hex(0xff7a2f), 1, '2'); break;
    case 98: PadButton(cell, Hex(0x8f52e0), 2, '3'); break;
    case 99: PadButton(cell, Hex(0x86c91e), 3, '4'); break;
    case 100: ShoulderButton(cell, true, false); break;
    case 101: ShoulderButton(cell, false, false); break;
    case 102: SystemButton(cell, 0); break;
    case 103: SystemButton(cell, 1); break;
    case 104: DpadGlyph(cell, -1); break;
    case 105: DpadGlyph(cell, 0); break;
    case 106: DpadGlyph(cell, 1); break;
    case 107: DpadGlyph(cell, 2); break;
    case 108: DpadGlyph(cell, 3); break;
    case 109:
      cell.Fill(BoxAround({8.8f, 8.3f}, 6), [](V2 p) { return SdCircle(p, {8.8f, 8.3f}, 5); }, kShadow);
      LitDisc(cell, kButtonCentre, 5);
      break;
    case 110: ShoulderButton(cell, true, true); break;
    case 111: Decoration(cell, 0); break;
    case 112: LetterKey(cell, 'J'); break;
    case 113: LetterKey(cell, 'K'); break;
    case 114: LetterKey(cell, 'L'); break;
    case 115: LetterKey(cell, 'I'); break;
    case 116: LetterKey(cell, 'U'); break;
    case 117: LetterKey(cell, 'O'); break;
    case 118: SymbolKey(cell, 0); break;
    case 119: SymbolKey(cell, 1); break;
    case 120: SymbolKey(cell, 2); break;
    case 121: LetterKey(cell, 'W'); break;
    case 122: LetterKey(cell, 'S'); break;
    case 123: LetterKey(cell, 'A'); break;
    case 124: LetterKey(cell, 'D'); break;
    case 125: Decoration(cell, 1); break;
    case 126: Decoration(cell, 2); break;
    default: break;  // 95 (DEL) and 127 stay empty
  }
}

void DrawZuliFontFrame(const Cell& cell, int frame) {
  int ch = frame + 32;
  if (ch == ' ' || ch == 127) return;
  // Columns 0 and 9 stay empty: the loader trims them.
  const Glyph& g = GlyphOf(ch);
  int x = 1 + (8 - g.width) / 2;
  BlitGlyph(cell, g, x, 3, kInk, {});
}

}  // namespace art
