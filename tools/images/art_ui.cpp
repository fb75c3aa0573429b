// Interface sheets: common/icons, common/Buttons, common/dpad,
// common/circle and common/light.
//
// Icons are white with a soft dark edge (the game tints them: the play
// button green, the selection ring yellow). The d-pad's frames 1, 4, 5, 6
// and 9 are the arms and centre of one cross laid out on a 4-wide grid, so
// they meet seamlessly when the game draws them side by side. The three gear
// layers (Buttons 8, 9, 10) share one centre so they stack while turning.
#include "art.h"
#include "glyphs.h"

namespace art {

namespace {

// Draws an icon shape white with a dark halo for contrast on any colour.
template <class Sdf>
void IconShape(const Cell& cell, Sdf sdf, Rgba ink = {1, 1, 1, 1}) {
  cell.Fill(cell.All(), [&](V2 p) { return sdf({p.x - 0.6f, p.y - 0.9f}) - 0.9f; },
            Rgba{0, 0, 0, 0.55f}, 0.8f);
  cell.Fill(cell.All(), sdf, ink);
}

float SdTri(V2 p, V2 a, V2 b, V2 c) { return SdPolygon(p, {a, b, c}); }

float SdGearTeeth(V2 p, V2 c, int teeth, float r_in, float r_out, float rot) {
  V2 d = p - c;
  float ang = std::atan2(d.x, -d.y) * 180 / kPi - rot;
  float seg = 360.0f / teeth;
  float a = std::remainder(ang, seg) / seg;  // -0.5..0.5 within one tooth
  float blend = Smooth(0.22f, 0.3f, std::fabs(a));
  float r = Mixf(r_out, r_in, blend);
  return Len(d) - r;
}

}  // namespace

// ---- common/icons ---------------------------------------------------------------

void DrawIcon(const Cell& cell, int frame) {
  const V2 c{16, 16};
  switch (frame) {
    case 0:  // pause
      IconShape(cell, [&](V2 p) {
        return std::min({SdRing(p, c, 12, 1.6f), SdBox(p, {12.3f, 16}, {2, 6}, 0.8f),
                         SdBox(p, {19.7f, 16}, {2, 6}, 0.8f)});
      });
      break;
    case 1:  // quit: a cross in a ring
      IconShape(cell, [&](V2 p) {
        return std::min({SdRing(p, c, 12, 1.6f), SdCapsule(p, {11.5f, 11.5f}, {20.5f, 20.5f}, 1.8f),
                         SdCapsule(p, {20.5f, 11.5f}, {11.5f, 20.5f}, 1.8f)});
      });
      break;
    case 2:  // home
      IconShape(cell, [&](V2 p) {
        float roof = SdPolygon(p, {{16, 5}, {28, 16}, {24.5f, 16}, {16, 8.5f}, {7.5f, 16}, {4, 16}});
        float house = std::max(SdBox(p, {16, 20.5f}, {7.5f, 6.5f}, 1), -SdBox(p, {16, 23}, {2.4f, 4.2f}, 0.8f));
        return std::min(roof, house);
      });
      break;
    case 3:  // play / resume
      IconShape(cell, [&](V2 p) {
        return std::min(SdRing(p, c, 12, 1.6f), SdTri(p, {12.5f, 9.5f}, {22.5f, 16}, {12.5f, 22.5f}) - 0.6f);
      });
      break;
    case 4:  // settings gear
      IconShape(cell, [&](V2 p) {
        return std::max(SdGearTeeth(p, c, 8, 9, 12.5f, 0), -SdCircle(p, c, 4.5f));
      });
      break;
    case 5:  // sound
      IconShape(cell, [&](V2 p) {
        float spk = SdPolygon(p, {{5, 12.5f}, {10, 12.5f}, {16, 7}, {16, 25}, {10, 19.5f}, {5, 19.5f}});
        float w1 = std::max(SdRing(p, {15, 16}, 6.5f, 1.3f), 16.5f - p.x);
        float w2 = std::max(SdRing(p, {15, 16}, 11, 1.3f), 17 - p.x);
        float cut = std::fabs(p.y - 16) - (p.x - 15) * 1.1f;
        return std::min(spk, std::max(std::min(w1, w2), cut));
      });
      break;
    case 6:  // selection ring with four pointers
      IconShape(cell, [&](V2 p) {
        float d = SdRing(p, c, 13.2f, 1.3f);
        for (int i = 0; i < 4; ++i) {
          V2 tip = Polar(c, 9.5f, i * 90.0f + 45), b1 = Polar(c, 14.5f, i * 90.0f + 33),
             b2 = Polar(c, 14.5f, i * 90.0f + 57);
          d = std::min(d, SdTri(p, tip, b1, b2));
        }
        return d;
      });
      break;
    case 7:  // calibrate: crosshair with a level bubble
      IconShape(cell, [&](V2 p) {
        float d = SdRing(p, c, 10, 1.3f);
        d = std::min(d, SdCapsule(p, {16, 3}, {16, 10}, 1.1f));
        d = std::min(d, SdCapsule(p, {16, 22}, {16, 29}, 1.1f));
        d = std::min(d, SdCapsule(p, {3, 16}, {10, 16}, 1.1f));
        d = std::min(d, SdCapsule(p, {22, 16}, {29, 16}, 1.1f));
        return std::min(d, SdCircle(p, {18, 14}, 3.2f));
      });
      break;
    case 8:  // music
      IconShape(cell, [&](V2 p) {
        float heads = std::min(Len({(p.x - 10) / 4.2f, (p.y - 23) / 3.2f}) - 1,
                               Len({(p.x - 22) / 4.2f, (p.y - 20) / 3.2f}) - 1) * 3;
        float stems = std::min(SdBox(p, {13.4f, 14.5f}, {1, 8.5f}), SdBox(p, {25.4f, 11.5f}, {1, 8.5f}));
        float beam = SdPolygon(p, {{12.4f, 6}, {26.4f, 3}, {26.4f, 7.5f}, {12.4f, 10.5f}});
        return std::min({heads, stems, beam});
      });
      break;
    case 9: {  // star
      auto pts = StarPoints(c, 5, 13, 5.5f);
      IconShape(cell, [&](V2 p) { return SdPolygon(p, pts); });
      break;
    }
    case 10:  // trophy
      IconShape(cell, [&](V2 p) {
        float bowl = std::max(SdCircle(p, {16, 6}, 10), 6 - p.y);
        float rim = SdBox(p, {16, 6}, {10, 1.6f}, 0.8f);
        float handles = std::max(std::min(SdRing(p, {6.5f, 10}, 3.6f, 1.1f), SdRing(p, {25.5f, 10}, 3.6f, 1.1f)),
                                 8.5f - std::fabs(p.x - 16));
        float stem = SdBox(p, {16, 19.5f}, {1.7f, 4});
        float foot = SdBox(p, {16, 25.5f}, {6.5f, 2}, 1);
        return std::min({bowl, rim, handles, stem, foot});
      });
      break;
    case 11:  // info
      IconShape(cell, [&](V2 p) {
        return std::min({SdRing(p, c, 12, 1.6f), SdCircle(p, {16, 10}, 1.9f), SdBox(p, {16, 19}, {1.7f, 5.5f}, 0.6f)});
      });
      break;
    case 12:  // check
      IconShape(cell, [&](V2 p) {
        return std::min(SdCapsule(p, {7, 17}, {13, 23}, 2.2f), SdCapsule(p, {13, 23}, {25, 9}, 2.2f));
      });
      break;
    case 13:  // back arrow
    case 14:  // forward arrow
    {
      float dir = frame == 13 ? -1.0f : 1.0f;
      IconShape(cell, [&](V2 p) {
        V2 q{16 + (p.x - 16) * dir, p.y};
        return std::min(SdBox(q, {12, 16}, {7, 2.4f}, 1),
                        SdTri(q, {27, 16}, {18, 7}, {18, 25}) - 0.5f);
      });
      break;
    }
    case 15:  // retry: a circular arrow
      IconShape(cell, [&](V2 p) {
        float arc = SdArc(p, c, 9.5f, 1.7f, 40, 320);
        V2 tip = Polar(c, 9.5f, 40);
        return std::min(arc, SdTri(p, {tip.x + 5.5f, tip.y - 1}, {tip.x - 3, tip.y - 4}, {tip.x - 0.5f, tip.y + 5}));
      });
      break;
    default:
      break;
  }
}

// ---- common/Buttons ----------------------------------------------------------

namespace {

void LevelDisc(const Cell& cell, Rgba base, Rgba ring) {
  V2 c{32, 32};
  DiscShadow(cell, c, 26, 2.5f, 2, 0.5f);
  cell.Fill(BoxAround(c, 28), [&](V2 p) { return SdCircle(p, c, 27); }, Shade(ring, 0.5f));
  cell.Fill(BoxAround(c, 28), [&](V2 p) { return SdCircle(p, c, 26); },
            Linear{{20, 8}, {44, 56}, Shade(ring, 1.3f), Shade(ring, 0.7f)});
  GlossyDisc(cell, c, 21.5f, base, 1.5f);
}

void Padlock(const Cell& cell, V2 c, float k, Rgba colour) {
  cell.Fill(BoxAround(c, 20 * k), [&](V2 p) {
    float shackle = std::max(SdRing(p, {c.x, c.y - 3 * k}, 6 * k, 1.8f * k), p.y - (c.y - 1 * k));
    float legs = std::min(SdBox(p, {c.x - 6 * k, c.y - 1 * k}, {1.8f * k, 3 * k}),
                          SdBox(p, {c.x + 6 * k, c.y - 1 * k}, {1.8f * k, 3 * k}));
    float body = SdBox(p, {c.x, c.y + 6 * k}, {9.5f * k, 7.5f * k}, 2 * k);
    float hole = std::min(SdCircle(p, {c.x, c.y + 4.5f * k}, 2 * k), SdBox(p, {c.x, c.y + 7.5f * k}, {0.9f * k, 3 * k}));
    return std::max(std::min({shackle, legs, body}), -hole);
  }, colour);
}

void Cog(const Cell& cell, float r_in, float r_out, float hole, int teeth, Rgba base, float rot) {
  V2 c{32, 32};
  auto shape = [&](V2 p) { return std::max(SdGearTeeth(p, c, teeth, r_in, r_out, rot), -SdCircle(p, c, hole)); };
  cell.Fill(cell.All(), [&](V2 p) { return shape({p.x - 1, p.y - 1.5f}); }, Rgba{0, 0, 0, 0.45f}, 1.5f);
  cell.Fill(cell.All(), shape, Shade(base, 0.45f));
  cell.Fill(cell.All(), [&](V2 p) { return shape(p) + 1.1f; },
            Linear{{14, 10}, {50, 54}, Shade(base, 1.4f), Shade(base, 0.8f)});
}

}  // namespace

void DrawButton(const Cell& cell, int frame) {
  const V2 c{32, 32};
  switch (frame) {
    case 0: LevelDisc(cell, Hex(0x2a8fd0), Hex(0xa9dcff)); break;
    case 1:  // completed: green with a gold ring and a small star on top
      LevelDisc(cell, Hex(0x2faa4a), Hex(0xffd24a));
      {
        auto st = StarPoints({32, 9.5f}, 5, 6.5f, 2.8f);
        cell.Fill(BoundsOf(st, 2), [&](V2 p) { return SdPolygon(p, st) - 0.8f; }, Hex(0x5a3a00));
        cell.Fill(BoundsOf(st, 2), [&](V2 p) { return SdPolygon(p, st); }, Hex(0xfff0a0));
      }
      break;
    case 2:  // locked: grey with a padlock behind the number
      LevelDisc(cell, Hex(0x4a4f5c), Hex(0x8b909c));
      Padlock(cell, {32, 30}, 1.25f, Hex(0x2c3039, 0.9f));
      break;
    case 3: LevelDisc(cell, Hex(0xf0b020), Hex(0xfff0b0)); break;
    case 4: LevelDisc(cell, Hex(0xe0483c), Hex(0xffc0b0)); break;
    case 5: LevelDisc(cell, Hex(0x8a4fd8), Hex(0xe0c8ff)); break;
    case 6:  // a bare ring
      cell.Fill(BoxAround(c, 30), [&](V2 p) { return SdRing(p, c, 26, 2.5f); },
                Linear{{10, 10}, {54, 54}, Hex(0xffffff), Hex(0xa0a8b8)});
      break;
    case 7:  // a small padlock on its own
      Padlock(cell, {32, 28}, 1.6f, Hex(0xd8dce6));
      break;
    case 8:  // gear: outer cog
      Cog(cell, 24, 30, 20.5f, 14, Hex(0xc9a25a), 0);
      break;
    case 9:  // gear: middle ring with windows
      cell.Fill(cell.All(), [&](V2 p) {
        float ring = SdRing(p, c, 15.5f, 4.5f);
        float win = 1e9f;
        for (int i = 0; i < 6; ++i) win = std::min(win, SdCircle(p, Polar(c, 15.5f, i * 60.0f), 2));
        return std::max(ring, -win);
      }, Hex(0x4b5563));
      cell.Fill(cell.All(), [&](V2 p) {
        float ring = SdRing(p, c, 15.5f, 3.6f);
        float win = 1e9f;
        for (int i = 0; i < 6; ++i) win = std::min(win, SdCircle(p, Polar(c, 15.5f, i * 60.0f), 2.8f));
        return std::max(ring, -win);
      }, Linear{{18, 18}, {46, 46}, Hex(0xd9e2ee), Hex(0x7d8899)});
      break;
    case 10:  // gear: hub
      cell.Fill(BoxAround(c, 11), [&](V2 p) { return SdCircle(p, c, 9.5f); }, Hex(0x2d333d));
      cell.Fill(BoxAround(c, 10), [&](V2 p) { return SdCircle(p, c, 8.5f); },
                Radial{{29, 29}, 11, Hex(0xffe3a0), Hex(0xb07a20)});
      for (int i = 0; i < 5; ++i) {
        V2 b = Polar(c, 5, i * 72.0f);
        cell.Fill(BoxAround(b, 2), [&](V2 p) { return SdCircle(p, b, 1.2f); }, Hex(0x5a3a10));
      }
      cell.Fill(BoxAround(c, 3), [&](V2 p) { return SdCircle(p, c, 2); }, Hex(0x2d333d));
      break;
    case 11: {  // star
      auto st = StarPoints(c, 5, 26, 11);
      cell.Fill(BoundsOf(st, 2), [&](V2 p) { return SdPolygon(p, st) - 1.2f; }, Hex(0x6a4500));
      cell.Fill(BoundsOf(st, 2), [&](V2 p) { return SdPolygon(p, st); },
                Linear{{32, 6}, {32, 58}, Hex(0xfff3a0), Hex(0xffa800)});
      break;
    }
    case 12: {  // the framework's mark: a kestrel's wing folded into a K
      auto hex = RegularPolygon(c, 6, 27, 0);
      cell.Fill(BoundsOf(hex, 2), [&](V2 p) { return SdPolygon(p, hex) - 1.5f; }, Hex(0x1a2b48));
      cell.Fill(BoundsOf(hex, 2), [&](V2 p) { return SdPolygon(p, hex); },
                Linear{{32, 6}, {32, 58}, Hex(0x3d7be0), Hex(0x1f3f8a)});
      cell.Fill(cell.All(), [&](V2 p) {
        float stem = SdCapsule(p, {23, 17}, {23, 47}, 3.4f);
        float wing = SdPolygon(p, {{26, 33}, {45, 14}, {41, 27}, {32, 34}});
        float tail = SdPolygon(p, {{28, 33}, {34, 31}, {44, 47}, {37, 47}});
        return std::min({stem, wing, tail});
      }, Linear{{20, 14}, {44, 48}, Hex(0xffffff), Hex(0xffc36b)});
      cell.Fill(BoxAround({45, 14}, 3), [&](V2 p) { return SdCircle(p, {45, 14}, 1.6f); }, Hex(0xffe27a));
      break;
    }
    case 13: LevelDisc(cell, Hex(0x1fb5a6), Hex(0xb0fff4)); break;
    case 14: LevelDisc(cell, Hex(0xd83d8c), Hex(0xffc0e0)); break;
    case 15:  // a small flat coin
      GlossyDisc(cell, c, 20, Hex(0xf5b700), 2);
      cell.Fill(BoxAround(c, 16), [&](V2 p) { return SdRing(p, c, 13, 1.2f); }, Hex(0xfff2b0, 0.8f));
      break;
    default:
      break;
  }
}

// ---- common/dpad ---------------------------------------------------------------

void DrawDpad(const Cell& cell, int frame) {
  // Cross geometry on the 4-wide grid: arm cells reach the shared edge.
  const Rgba fill = Hex(0x2b3140, 0.85f), edge = Hex(0xe8ecf4, 0.9f);
  auto arm = [&](V2 dir) {
    // Box from the cell's inner edge out to 4 units from the outer edge.
    V2 c{16 - dir.x * 2, 16 - dir.y * 2};
    V2 half = dir.x != 0 ? V2{14, 10} : V2{10, 14};
    auto sd = [=](V2 p) {
      float box = SdBox(p, c, half, 4);
      float inner = SdBox(p, {16 - dir.x * 16, 16 - dir.y * 16}, dir.x != 0 ? V2{4, 10} : V2{10, 4}, 0);
      return std::min(box, inner);
    };
    cell.Fill(cell.All(), sd, edge);
    cell.Fill(cell.All(), [&](V2 p) { return sd(p) + 1.6f; },
              Linear{{16 + dir.x * 12, 16 + dir.y * 12}, {16 - dir.x * 16, 16 - dir.y * 16}, Hex(0x4a5468, 0.9f), fill});
    V2 tip = V2{16, 16} + dir * 7.5f, side{dir.y, dir.x};
    auto tri = std::vector<V2>{tip, V2{16, 16} + dir * 0.5f + side * 6, V2{16, 16} + dir * 0.5f - side * 6};
    cell.Fill(BoundsOf(tri, 1), [&](V2 p) { return SdPolygon(p, tri) - 0.6f; }, Hex(0xffffff));
  };
  switch (frame) {
    case 0:  // action button
    case 2:
    case 3: {
      Rgba base = frame == 0 ? Hex(0xe0483c) : frame == 2 ? Hex(0x2a8fd0) : Hex(0x2faa4a);
      DiscShadow(cell, {16, 16}, 13, 1.5f, 1.2f, 0.5f);
      cell.Fill(BoxAround({16, 16}, 15), [](V2 p) { return SdCircle(p, {16, 16}, 14); }, edge);
      GlossyDisc(cell, {16, 16}, 12.5f, base, 1);
      break;
    }
    case 1: arm({0, -1}); break;
    case 4: arm({-1, 0}); break;
    case 6: arm({1, 0}); break;
    case 9: arm({0, 1}); break;
    case 5:  // centre: open to all four arms
      cell.Fill(cell.All(), [](V2 p) { return std::min(SdBox(p, {16, 16}, {16, 10}), SdBox(p, {16, 16}, {10, 16})); },
                edge);
      cell.Fill(cell.All(), [](V2 p) { return std::min(SdBox(p, {16, 16}, {17, 8.4f}), SdBox(p, {16, 16}, {8.4f, 17})); },
                fill);
      cell.Fill(BoxAround({16, 16}, 7), [](V2 p) { return SdCircle(p, {16, 16}, 5); },
                Radial{{16, 16}, 6, Hex(0x1a1f2a, 0.9f), Hex(0x3a4456, 0.9f)});
      break;
    default:
      break;
  }
}

// ---- common/circle ---------------------------------------------------------------

void DrawCircle(const Cell& cell, int frame) {
  const V2 c{128, 128};
  switch (frame) {
    case 0:  // soft disc
      cell.Fill(cell.All(), [&](V2 p) { return SdCircle(p, c, 110); },
                Radial{c, 126, Rgba{1, 1, 1, 0.9f}, Rgba{1, 1, 1, 0}}, 14);
      break;
    case 1:  // the plate behind the options gear
      cell.Fill(cell.All(), [&](V2 p) { return SdCircle(p, c, 124); }, Hex(0x7fe3ff, 0.45f), 3);
      cell.Fill(cell.All(), [&](V2 p) { return SdCircle(p, c, 118); },
                Radial{c, 118, Hex(0x17344f, 0.9f), Hex(0x0b1a2a, 0.95f)});
      cell.Fill(cell.All(), [&](V2 p) { return SdRing(p, c, 112, 2.5f); }, Hex(0x7fe3ff, 0.9f));
      for (int i = 0; i < 24; ++i) {
        V2 a = Polar(c, 92, i * 15.0f), b = Polar(c, i % 2 ? 100 : 104, i * 15.0f);
        cell.Fill(BoundsOf({a, b}, 4), [&](V2 p) { return SdCapsule(p, a, b, 1.6f); }, Hex(0x7fe3ff, 0.6f));
      }
      break;
    case 2:  // thin ring
      cell.Fill(cell.All(), [&](V2 p) { return SdRing(p, c, 118, 3); }, Rgba{1, 1, 1, 0.9f});
      cell.Fill(cell.All(), [&](V2 p) { return SdRing(p, c, 118, 3); }, Rgba{1, 1, 1, 0.35f}, 6);
      break;
    case 3:  // the level ring's track (the items run at 74..118 units here)
      cell.Fill(cell.All(), [&](V2 p) { return SdRing(p, c, 94, 32); },
                Radial{c, 127, Hex(0x10301c, 0.0f), Hex(0x0d2616, 0.85f)});
      cell.Fill(cell.All(), [&](V2 p) { return SdRing(p, c, 94, 32); },
                Rgba{0.55f, 1, 0.6f, 0.12f});
      cell.Fill(cell.All(), [&](V2 p) { return SdRing(p, c, 125, 1.6f); }, Hex(0x9dffb0, 0.9f));
      cell.Fill(cell.All(), [&](V2 p) { return SdRing(p, c, 62, 1.2f); }, Hex(0x9dffb0, 0.7f));
      for (int i = 0; i < 45; ++i) {  // a notch every 8 degrees
        V2 a = Polar(c, 117, i * 8.0f), b = Polar(c, i % 4 == 0 ? 107 : 112, i * 8.0f);
        cell.Fill(BoundsOf({a, b}, 3), [&](V2 p) { return SdCapsule(p, a, b, 1); }, Hex(0x9dffb0, 0.75f));
      }
      break;
    default:
      break;
  }
}

// ---- common/light -------------------------------------------------------------

void DrawLight(const Cell& cell, int frame) {
  const V2 c{16, 16};
  auto blob = [&](Rgba colour) {
    cell.Fill(cell.All(), [&](V2 p) { return SdCircle(p, c, 2); },
              [&](V2 p) {
                float t = Clamp01(Len(p - c) / 15.5f);
                return Alpha(colour, (1 - t) * (1 - t));
              }, 13);
  };
  switch (frame) {
    case 0: blob({1, 1, 1, 1}); break;
    case 1: blob(Hex(0xffd08a)); break;
    case 2: blob(Hex(0x9fd8ff)); break;
    case 3:
      blob(Rgba{1, 1, 1, 0.6f});
      for (float a : {0.0f, 90.0f}) {
        V2 p0 = Polar(c, 15, a), p1 = Polar(c, 15, a + 180);
        cell.Fill(cell.All(), [&](V2 p) { return SdCapsule(p, p0, p1, 0.2f); },
                  [&](V2 p) { return Rgba{1, 1, 1, 1 - Clamp01(Len(p - c) / 15)}; }, 1.2f);
      }
      break;
    default:
      break;
  }
}

}  // namespace art
