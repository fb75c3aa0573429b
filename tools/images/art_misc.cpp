// Star sprites (parts), badges (BadgesA), the studio and title logos and
// the menu panels.
//
// Every "parts" frame is a small light source centred in its 8 x 8 cell (a
// dot, a sparkle, a star or a glint in a pale tint), since the background
// draws random frames of the whole sheet as stars. Badges are medals built
// from a shape, a metal and an emblem picked by the badge id, so all 64
// differ. "Plondrel" is an invented studio.
#include <functional>

#include "art.h"
#include "glyphs.h"

namespace art {

// ---- parts -----------------------------------------------------------------------

void DrawParticle(const Cell& cell, int frame) {
  const V2 c{4, 4};
  static const uint32_t kTints[] = {0xffffff, 0xcfe6ff, 0xfff2c4, 0xffd6ec, 0xc8fff4, 0xe4d8ff};
  Rgba tint = Hex(kTints[(unsigned)(Hash01(frame, 1) * 6) % 6]);
  float size = 0.7f + 0.3f * Hash01(frame, 2);
  float rot = Hash01(frame, 3) * 90;
  // A soft glow under every kind.
  cell.Fill(cell.All(), [&](V2 p) { return SdCircle(p, c, 0.6f * size); },
            [&](V2 p) { return Alpha(tint, 0.55f * (1 - Clamp01(Len(p - c) / (3.8f * size)))); }, 2.6f * size);
  Rgba core{std::min(1.0f, tint.r + 0.2f), std::min(1.0f, tint.g + 0.2f), std::min(1.0f, tint.b + 0.2f), 1};
  switch (frame % 6) {
    case 0:  // round dot
      cell.Fill(cell.All(), [&](V2 p) { return SdCircle(p, c, 1.1f * size); }, core);
      break;
    case 1: {  // four-point sparkle
      auto pts = StarPoints(c, 4, 3.8f * size, 0.7f * size, rot);
      cell.Fill(cell.All(), [&](V2 p) { return SdPolygon(p, pts); }, core);
      break;
    }
    case 2: {  // five-point star
      auto pts = StarPoints(c, 5, 3.2f * size, 1.35f * size, rot);
      cell.Fill(cell.All(), [&](V2 p) { return SdPolygon(p, pts); }, core);
      break;
    }
    case 3:  // plus glint
      cell.Fill(cell.All(), [&](V2 p) {
        V2 q = Rotate(p, c, rot);
        return std::min(SdCapsule(q, {c.x - 3.4f * size, c.y}, {c.x + 3.4f * size, c.y}, 0.35f),
                        SdCapsule(q, {c.x, c.y - 3.4f * size}, {c.x, c.y + 3.4f * size}, 0.35f));
      }, core);
      cell.Fill(cell.All(), [&](V2 p) { return SdCircle(p, c, 0.8f * size); }, core);
      break;
    case 4: {  // six-point star
      auto pts = StarPoints(c, 6, 3.3f * size, 1.5f * size, rot);
      cell.Fill(cell.All(), [&](V2 p) { return SdPolygon(p, pts); }, Alpha(core, 0.9f));
      break;
    }
    default: {  // diamond with a bright centre
      auto pts = RegularPolygon(c, 4, 2.6f * size, rot);
      cell.Fill(cell.All(), [&](V2 p) { return SdPolygon(p, pts); }, Alpha(core, 0.8f));
      cell.Fill(cell.All(), [&](V2 p) { return SdCircle(p, c, 0.7f); }, Rgba{1, 1, 1, 1});
      break;
    }
  }
}

// ---- BadgesA -----------------------------------------------------------------------

namespace {

struct Metal {
  uint32_t light, mid, dark;
};
const Metal kMetals[] = {
    {0xffd9a8, 0xc7803f, 0x5e3414},  // bronze
    {0xffffff, 0xb8c2d0, 0x4f5866},  // silver
    {0xfff4b0, 0xf0b82a, 0x7a4d00},  // gold
    {0xd8f4ff, 0x6fb8e8, 0x1d4f78},  // sapphire
};
const uint32_t kRibbons[] = {0xe0483c, 0x2a8fd0, 0x2faa4a, 0x8a4fd8, 0xf08a24, 0xd83d8c};

using ShapeFn = std::function<float(V2)>;

ShapeFn BadgeShape(int kind, V2 c, float r) {
  switch (kind) {
    case 0: return [=](V2 p) { return SdCircle(p, c, r); };
    case 1: {  // shield
      std::vector<V2> s = {{c.x - r, c.y - r * 0.85f}, {c.x + r, c.y - r * 0.85f}, {c.x + r, c.y + r * 0.05f},
                           {c.x, c.y + r * 1.05f}, {c.x - r, c.y + r * 0.05f}};
      return [=](V2 p) { return SdPolygon(p, s) - r * 0.08f; };
    }
    case 2: {
      auto hex = RegularPolygon(c, 6, r * 1.05f, 30);
      return [=](V2 p) { return SdPolygon(p, hex) - r * 0.05f; };
    }
    default:  // rosette
      return [=](V2 p) {
        V2 d = p - c;
        return SdCircle(p, c, r * 0.9f) - r * 0.1f * std::cos(std::atan2(d.x, -d.y) * 12);
      };
  }
}

ShapeFn Emblem(int kind, V2 c, float k) {
  auto at = [=](float x, float y) { return V2{c.x + x * k, c.y + y * k}; };
  using P = std::vector<V2>;
  switch (kind) {
    case 0: {
      P star = StarPoints(c, 5, 11 * k, 4.6f * k);
      return [=](V2 p) { return SdPolygon(p, star); };
    }
    case 1: {  // bolt
      P bolt = {at(2, -12), at(-7, 2), at(-1, 2), at(-3, 12), at(7, -2), at(1, -2)};
      return [=](V2 p) { return SdPolygon(p, bolt); };
    }
    case 2: {  // heart
      P tip = {{0, 10}, {9.6f, -1}, {0, -3}, {-9.6f, -1}};
      return [=](V2 p) {
        V2 q{std::fabs(p.x - c.x) / k, (p.y - c.y) / k};
        return std::min(SdCircle(q, {4.5f, -3}, 5.5f), SdPolygon(q, tip)) * k;
      };
    }
    case 3: {  // crown
      P crown = {at(-10, 7), at(-10, -6), at(-5, 0), at(0, -9), at(5, 0), at(10, -6), at(10, 7)};
      return [=](V2 p) { return SdPolygon(p, crown); };
    }
    case 4: {  // flag
      P flag = {at(-6, -10), at(9, -6), at(-6, -1)};
      V2 pole = at(-7, 1);
      return [=](V2 p) { return std::min(SdBox(p, pole, {1.3f * k, 11 * k}), SdPolygon(p, flag)); };
    }
    case 5: return [=](V2 p) { return std::min(SdRing(p, c, 8 * k, 2 * k), SdCircle(p, c, 3 * k)); };
    case 6: {  // two chevrons (a hop)
      P a = {at(-9, -8), at(0, -1), at(9, -8), at(9, -3), at(0, 4), at(-9, -3)};
      P b = {at(-9, 1), at(0, 8), at(9, 1), at(9, 6), at(0, 13), at(-9, 6)};
      return [=](V2 p) { return std::min(SdPolygon(p, a), SdPolygon(p, b)); };
    }
    case 7: {  // clock
      V2 h1 = at(0, -6), h2 = at(4.5f, 2);
      return [=](V2 p) {
        return std::min({SdRing(p, c, 9 * k, 1.8f * k), SdCapsule(p, c, h1, 1.3f * k), SdCapsule(p, c, h2, 1.3f * k)});
      };
    }
    case 8: {  // flame
      P tip = {{-6.4f, 3}, {0, -13}, {6.4f, 3}};
      return [=](V2 p) {
        V2 q{(p.x - c.x) / k, (p.y - c.y) / k};
        return std::min(SdCircle(q, {0, 4}, 6.5f), SdPolygon(q, tip)) * k;
      };
    }
    case 9: {  // gem
      P gem = {at(-10, -3), at(-5, -9), at(5, -9), at(10, -3), at(0, 11)};
      return [=](V2 p) { return SdPolygon(p, gem); };
    }
    case 10: {  // check
      V2 a = at(-8, 0), b = at(-2, 7), e = at(9, -7);
      return [=](V2 p) { return std::min(SdCapsule(p, a, b, 2.4f * k), SdCapsule(p, b, e, 2.4f * k)); };
    }
    default: {  // moon
      V2 o = at(5, -4);
      return [=](V2 p) { return std::max(SdCircle(p, c, 10 * k), -SdCircle(p, o, 8.5f * k)); };
    }
  }
}

}  // namespace

void DrawBadge(const Cell& cell, int id) {
  const V2 c{32, 30};
  int shape = id % 4;
  const Metal& m = kMetals[(id / 4) % 4];
  int emblem = (id * 5 + id / 16) % 12;
  Rgba ribbon = Hex(kRibbons[(id / 3) % 6]);
  // Ribbon tails behind the medal.
  for (float side : {-1.0f, 1.0f}) {
    std::vector<V2> tail = {{c.x + side * 4, c.y + 10}, {c.x + side * 15, c.y + 10},
                            {c.x + side * 16, c.y + 31}, {c.x + side * 10.5f, c.y + 27}, {c.x + side * 5, c.y + 31}};
    cell.Fill(BoundsOf(tail, 2), [&](V2 p) { return SdPolygon(p, tail); },
              Linear{{c.x, c.y + 10}, {c.x, c.y + 31}, Shade(ribbon, 1.15f), Shade(ribbon, 0.7f)});
  }
  ShapeFn body = BadgeShape(shape, c, 24);
  cell.Fill(cell.All(), [&](V2 p) { return body({p.x - 1, p.y - 2}); }, Rgba{0, 0, 0, 0.45f}, 2);
  cell.Fill(cell.All(), body, Hex(m.dark));
  cell.Fill(cell.All(), [&](V2 p) { return body(p) + 2; },
            Linear{{16, 8}, {48, 54}, Hex(m.light), Hex(m.mid)});
  cell.Fill(cell.All(), [&](V2 p) { return body(p) + 5; },
            Linear{{16, 8}, {48, 54}, Hex(m.mid), Shade(Hex(m.light), 0.92f)});
  if (id == 0) {  // the test badge: a question mark
    const Glyph& q = GlyphOf('?');
    StrokeGlyph(cell, q, {c.x - 2.5f * 3 - 1, c.y - 3.5f * 3 - 0.5f}, 3, 0.6f, Hex(m.dark));
    StrokeGlyph(cell, q, {c.x - 2.5f * 3, c.y - 3.5f * 3 - 1.5f}, 3, 0.6f, Rgba{1, 1, 1, 1});
    return;
  }
  float k = 0.95f;
  ShapeFn mark = Emblem(emblem, c, k);
  Box near = BoxAround(c, 16);
  cell.Fill(near, [&](V2 p) { return mark({p.x - 0.8f, p.y - 1}) - 0.6f; }, Hex(m.dark, 0.8f));
  cell.Fill(near, mark,
            Linear{{c.x, c.y - 12}, {c.x, c.y + 12}, Rgba{1, 1, 1, 1}, Shade(ribbon, 1.3f)});
  // A glint.
  auto glint = StarPoints({c.x - 12, c.y - 13}, 4, 4.5f, 0.9f);
  cell.Fill(BoundsOf(glint, 1), [&](V2 p) { return SdPolygon(p, glint); }, Rgba{1, 1, 1, 0.85f});
}

// ---- Logos -----------------------------------------------------------------------

namespace {

// Text with a dark outline and a soft drop shadow, filled with a gradient.
template <class Paint>
void TitleText(const Cell& cell, const std::string& text, V2 centre, float unit, float weight,
               Paint paint, Rgba outline, float outline_width) {
  float x0 = centre.x - TextWidth(text) * unit * 0.5f, y0 = centre.y - 3.5f * unit;
  for (int pass = 0; pass < 3; ++pass) {
    float x = x0;
    for (char ch : text) {
      const Glyph& g = GlyphOf((unsigned char)ch);
      float w = weight + (pass < 2 ? outline_width / unit : 0);
      if (pass == 0) {
        StrokeGlyph(cell, g, {x + unit * 0.35f, y0 + unit * 0.55f}, unit, w, Rgba{0, 0, 0, 0.5f});
      } else if (pass == 1) {
        StrokeGlyph(cell, g, {x, y0}, unit, w, outline);
      } else {
        StrokeGlyphPaint(cell, g, {x, y0}, unit, w, paint);
      }
      x += (g.width + 1) * unit;
    }
  }
}

}  // namespace

void DrawStudioLogo(const Cell& cell, int) {
  const V2 c{128, 104};
  // Emblem: a rounded hexagon, a "P" bowl orbiting a bright dot.
  auto hex = RegularPolygon(c, 6, 60, 30);
  cell.Fill(cell.All(), [&](V2 p) { return SdPolygon(p, hex) - 6; }, Rgba{0, 0, 0, 0.4f}, 6);
  cell.Fill(cell.All(), [&](V2 p) { return SdPolygon(p, hex) - 4; }, Hex(0xff8a2a));
  cell.Fill(cell.All(), [&](V2 p) { return SdPolygon(p, hex); },
            Linear{{c.x, c.y - 60}, {c.x, c.y + 60}, Hex(0x2a5fd6), Hex(0x142a66)});
  cell.Fill(cell.All(), [&](V2 p) {
    float stem = SdBox(p, {c.x - 14, c.y + 6}, {7, 34}, 3);
    float bowl = std::max(SdRing(p, {c.x + 2, c.y - 10}, 18, 7), -(p.x - (c.x - 14)));
    return std::min(stem, bowl);
  }, Linear{{c.x, c.y - 40}, {c.x, c.y + 40}, Hex(0xffffff), Hex(0xcfe0ff)});
  V2 dot{c.x + 26, c.y + 24};
  cell.Fill(cell.All(), [&](V2 p) { return SdCircle(p, dot, 8); }, Hex(0xffb347, 0.6f), 6);
  cell.Fill(cell.All(), [&](V2 p) { return SdCircle(p, dot, 7); }, Hex(0xffd27a));
  cell.Fill(cell.All(), [&](V2 p) { return SdArc(p, {c.x + 2, c.y - 10}, 40, 1.4f, 100, 190); }, Hex(0xffd27a, 0.8f));
  TitleText(cell, "PLONDREL", {128, 198}, 4.2f, 0.6f,
            [](V2) { return Rgba{1, 1, 1, 1}; }, Hex(0x142a66), 1.6f);
  StrokeText(cell, "GAMES", {128, 228}, 2.2f, 0.55f, Hex(0xff9a40));
}

void DrawTitleLogo(const Cell& cell, int) {
  // Two hop trails in the runners' colours cross behind the title.
  for (int side = 0; side < 2; ++side) {
    Rgba col = side ? Hex(0xff6fae) : Hex(0x3fd9ea);
    for (int i = 0; i < 5; ++i) {
      float x = side ? 236 - i * 22.0f : 20 + i * 22.0f, y = 16 + i * 22.0f;
      V2 d{x, y};
      auto diamond = RegularPolygon(d, 4, 6.5f);
      cell.Fill(BoxAround(d, 8), [&](V2 p) { return SdPolygon(p, diamond); },
                Alpha(col, 0.25f + 0.12f * i));
    }
  }
  TitleText(cell, "Tazmelo", {128, 64}, 6.1f, 0.62f,
            Linear{{0, 40}, {0, 86}, Hex(0xfff27a), Hex(0xff7a2a)}, Hex(0x3a0d2e), 3.2f);
}

// ---- menu -----------------------------------------------------------------------

void DrawMenuPanel(const Cell& cell, int frame) {
  const V2 c{128, 128};
  switch (frame) {
    case 0:  // night panel with stars
      cell.Fill(cell.All(), [&](V2 p) { return SdBox(p, c, {120, 120}, 18); },
                Linear{{0, 0}, {0, 256}, Hex(0x1a2d5a, 0.9f), Hex(0x0a1024, 0.9f)});
      cell.Fill(cell.All(), [&](V2 p) { return SdBox(p, c, {120, 120}, 18) + 3; },
                Rgba{1, 1, 1, 0.0f});
      cell.Fill(cell.All(), [&](V2 p) { return std::fabs(SdBox(p, c, {120, 120}, 18)) - 1.5f; },
                Hex(0x9fd8ff, 0.8f));
      for (int i = 0; i < 40; ++i) {
        V2 s{20 + Hash01(i, 40) * 216, 20 + Hash01(i, 41) * 216};
        float r = 0.6f + Hash01(i, 42) * 1.6f;
        cell.Fill(BoxAround(s, r + 3), [&](V2 p) { return SdCircle(p, s, r); }, Rgba{1, 1, 1, 0.9f}, 1);
      }
      break;
    case 1:  // the two halves: teal and rose tiles with the runners' hops
      for (int row = 0; row < 9; ++row) {
        for (int col = 0; col < 9; ++col) {
          V2 t{16 + col * 28.0f, 16 + row * 28.0f};
          Rgba base = (col + row) % 2 ? Hex(0x2f9fc4, 0.55f) : Hex(0xc04d9a, 0.55f);
          cell.Fill(BoxAround(t, 14), [&](V2 p) { return SdBox(p, t, {12, 12}, 3); }, base);
        }
      }
      break;
    case 2:  // a framed card
      cell.Fill(cell.All(), [&](V2 p) { return SdBox(p, c, {118, 118}, 24); }, Hex(0x96500a, 0.9f));
      cell.Fill(cell.All(), [&](V2 p) { return SdBox(p, c, {110, 110}, 18); },
                Linear{{0, 0}, {0, 256}, Hex(0xffc46a), Hex(0xd9761a)});
      cell.Fill(cell.All(), [&](V2 p) { return std::fabs(SdBox(p, c, {98, 98}, 12)) - 1.5f; },
                Hex(0xfff0c8, 0.8f));
      break;
    default:  // a swirl of hop diamonds
      for (int i = 0; i < 36; ++i) {
        V2 d = Polar(c, 20 + i * 2.9f, i * 31.0f);
        float r = 4 + i * 0.22f;
        Rgba col = i % 2 ? Hex(0xff6fae) : Hex(0x3fd9ea);
        auto diamond = RegularPolygon(d, 4, r);
        cell.Fill(BoxAround(d, r + 2), [&](V2 p) { return SdPolygon(p, diamond); },
                  Alpha(col, 0.35f + i / 60.0f));
      }
      break;
  }
}

}  // namespace art
