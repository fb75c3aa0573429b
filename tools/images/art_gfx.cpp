// The playfield sheet "gfx": 28 x 28 cells, 81 frames, drawn by the game in
// white at alpha 0.6 on black with the grid 24 units apart.
//   0, 1    floor of the left (teal) and right (rose) half
//   2, 3    the same floor once the left / right runner stepped on it
//   9..16   deadly tiles: spikes, lava, saw, fire, sparks, crystals, acid, mine
//   17      a deadly tile under another: a lava chute open at the top so
//           it runs on from whatever hazard lies above it
//   18..23  the left runner (round teal robot), 6 running frames
//   27..32  the right runner (rose cat with ears and tail), 6 running frames
//   36      the swinging block (an iron brazier; the game adds its flames)
// Tile bodies are 24 units square around the cell centre so neighbours abut;
// runners stand with their feet 11 units below the cell centre, where the
// game places them on their tile. Other frames are empty.
#include "art.h"

namespace art {

namespace {

const V2 kC{14, 14};

float SdTile(V2 p, float inset, float round) {
  return SdBox(p, kC, {12 - inset, 12 - inset}, round);
}

void Floor(const Cell& cell, Rgba base, bool stepped) {
  Box all = cell.All();
  // Body with a bevel: dark edge, lit face, a soft inner panel.
  cell.Fill(all, [](V2 p) { return SdTile(p, 1, 3.5f); }, Shade(base, 0.55f));
  cell.Fill(all, [](V2 p) { return SdTile(p, 2, 2.8f); },
            Linear{{4, 4}, {24, 24}, Shade(base, stepped ? 1.45f : 1.2f), Shade(base, 0.85f)});
  cell.Fill(all, [](V2 p) { return SdTile(p, 5, 1.8f); },
            Linear{{6, 6}, {22, 22}, Shade(base, 0.8f), Shade(base, stepped ? 1.3f : 1.05f)});
  // Corner studs.
  for (V2 d : {V2{-1, -1}, V2{1, -1}, V2{-1, 1}, V2{1, 1}}) {
    V2 s = kC + d * 7.6f;
    cell.Fill(BoxAround(s, 2), [&](V2 p) { return SdCircle(p, s, 1.1f); }, Shade(base, 1.5f));
  }
  if (stepped) {
    // A glowing rune where the runner landed.
    cell.Fill(all, [](V2 p) { return SdCircle(p, kC, 5.5f); }, Rgba{1, 1, 1, 0.35f}, 3);
    auto diamond = RegularPolygon(kC, 4, 4.2f);
    cell.Fill(BoundsOf(diamond, 1), [&](V2 p) { return SdPolygon(p, diamond); },
              Rgba{1, 1, 1, 0.95f});
    auto inner = RegularPolygon(kC, 4, 2);
    cell.Fill(BoundsOf(inner, 1), [&](V2 p) { return SdPolygon(p, inner); }, Shade(base, 1.2f));
  }
}

// The shared base of every deadly tile: a dark pit with a hot red rim.
// open_top: the rim is left out at the top and the pit reaches the cell top.
void Pit(const Cell& cell, bool open_top) {
  Box all = cell.All();
  auto body = [open_top](V2 p) {
    return open_top ? SdBox(p, {14, 11}, {12, 15}, 0) : SdTile(p, 0, 3);
  };
  cell.Fill(all, [&](V2 p) { return body(p); }, Hex(0xff3a1a));
  cell.Fill(all, [&](V2 p) { return open_top ? SdBox(p, {14, 11}, {10.5f, 15}, 0) : SdTile(p, 1.5f, 2); },
            Radial{kC, 15, Hex(0x3a0606), Hex(0x140202)});
}

void Spikes(const Cell& cell) {
  // A back row of two tall spikes and a front row of three.
  const struct {
    float x, base, w, h;
  } spikes[] = {{10, 15, 3.6f, 11}, {18, 15, 3.6f, 11}, {7, 23.5f, 3.2f, 10}, {14, 23.5f, 3.2f, 11},
                {21, 23.5f, 3.2f, 10}};
  for (auto s : spikes) {
    std::vector<V2> tri = {{s.x, s.base - s.h}, {s.x + s.w, s.base}, {s.x - s.w, s.base}};
    cell.Fill(BoundsOf(tri, 1), [&](V2 p) { return SdPolygon(p, tri) - 0.5f; }, Hex(0x120303));
    cell.Fill(BoundsOf(tri, 1), [&](V2 p) { return SdPolygon(p, tri); },
              Linear{{s.x - s.w, 0}, {s.x + s.w, 0}, Hex(0xf2f4f8), Hex(0x6b7484)});
    std::vector<V2> tip = {{s.x, s.base - s.h}, {s.x + s.w * 0.3f, s.base - s.h * 0.7f},
                           {s.x - s.w * 0.3f, s.base - s.h * 0.7f}};
    cell.Fill(BoundsOf(tip, 1), [&](V2 p) { return SdPolygon(p, tip); }, Hex(0xff4020));
  }
}

void Lava(const Cell& cell, bool chute) {
  float top = chute ? -1 : 4.5f;
  auto pool = [&](V2 p) {
    float wob = 0.8f * std::sin(p.y * 0.9f) + 0.5f * std::sin(p.y * 2.1f + 1);
    return chute ? std::max(std::fabs(p.x - 14) - (8.5f + wob), p.y - 24.0f)
                 : SdBox(p, kC, {9.5f, 9.5f}, 4) + 0.4f * std::sin(p.x * 1.3f);
  };
  cell.Fill(cell.All(), pool,
            Linear{{14, top}, {14, 24}, Hex(0xffe14a), Hex(0xff4a10)});
  // Crust streaks and bubbles.
  for (int i = 0; i < 5; ++i) {
    V2 b{7 + Hash01(i, 10) * 14, (chute ? 2 : 8) + Hash01(i, 11) * (chute ? 20 : 13)};
    float r = 0.9f + Hash01(i, 12) * 1.4f;
    cell.Fill(BoxAround(b, r + 1), [&](V2 p) { return SdRing(p, b, r, 0.35f); },
              Hex(0xfff6c0, 0.9f));
  }
  for (int i = 0; i < 3; ++i) {
    float x = 9 + i * 5;
    V2 a{x, chute ? 0.0f : 7.0f}, b{x + 1.5f, 22};
    cell.Fill({a.x - 2, a.y - 1, b.x + 2, b.y + 1}, [&](V2 p) { return SdCapsule(p, a, b, 0.5f); },
              Hex(0xb3200a, 0.7f));
  }
}

void Saw(const Cell& cell) {
  auto teeth = StarPoints(kC, 12, 10, 7.6f, 7);
  cell.Fill(BoundsOf(teeth, 1), [&](V2 p) { return SdPolygon(p, teeth); },
            Linear{{4, 4}, {24, 24}, Hex(0xf5f7fa), Hex(0x6d7585)});
  cell.Fill(BoxAround(kC, 7), [](V2 p) { return SdRing(p, kC, 5, 0.5f); }, Hex(0x3c424e));
  for (int i = 0; i < 6; ++i) {
    V2 h = Polar(kC, 3.2f, i * 60.0f + 20);
    cell.Fill(BoxAround(h, 2), [&](V2 p) { return SdCircle(p, h, 0.9f); }, Hex(0x2a2e36));
  }
  cell.Fill(BoxAround(kC, 3), [](V2 p) { return SdCircle(p, kC, 1.8f); }, Hex(0xff3020));
}

// A flame tongue: a round base and a curved point leaning sideways.
std::vector<V2> FlamePoints(V2 base, float w, float h, float lean) {
  std::vector<V2> left, right;
  for (int k = 0; k <= 8; ++k) {
    float t = k / 8.0f;
    float hw = w * std::pow(1 - t, 0.8f) * (t < 0.2f ? 0.85f + t * 0.75f : 1.0f);
    float x = base.x + lean * t * t, y = base.y - h * t;
    left.push_back({x - hw, y});
    right.push_back({x + hw, y});
  }
  left.insert(left.end(), right.rbegin(), right.rend());
  return left;
}

void Fire(const Cell& cell) {
  const struct {
    float x, w, h, lean;
  } tongues[] = {{8.5f, 3.6f, 12, -2.5f}, {19.5f, 3.6f, 11, 2.5f}, {14, 4.8f, 16, 1.5f}};
  for (auto t : tongues) {
    V2 b{t.x, 21};
    auto outer = FlamePoints(b, t.w, t.h, t.lean);
    cell.Fill(cell.All(), [&](V2 p) { return std::min(SdPolygon(p, outer), SdCircle(p, b, t.w)); },
              Linear{{t.x, b.y - t.h}, {t.x, b.y + 2}, Hex(0xff3a10), Hex(0xffb020)});
    auto inner = FlamePoints({b.x, b.y + 0.5f}, t.w * 0.5f, t.h * 0.55f, t.lean * 0.5f);
    cell.Fill(cell.All(), [&](V2 p) { return std::min(SdPolygon(p, inner), SdCircle(p, {b.x, b.y + 0.5f}, t.w * 0.5f)); },
              Hex(0xfff3a0));
  }
}

void Sparks(const Cell& cell) {
  cell.Fill(cell.All(), [](V2 p) { return SdCircle(p, kC, 6); }, Hex(0x40e0ff, 0.45f), 4);
  const V2 bolt1[] = {{6, 5}, {13, 12}, {10, 15}, {20, 23}};
  const V2 bolt2[] = {{22, 5}, {16, 11}, {19, 14}, {11, 22}};
  for (const V2* bolt : {bolt1, bolt2}) {
    cell.Fill(cell.All(),
              [&](V2 p) {
                return std::min({SdCapsule(p, bolt[0], bolt[1], 1.2f), SdCapsule(p, bolt[1], bolt[2], 1.2f),
                                 SdCapsule(p, bolt[2], bolt[3], 1.2f)});
              },
              Hex(0xfff27a));
    cell.Fill(cell.All(),
              [&](V2 p) {
                return std::min({SdCapsule(p, bolt[0], bolt[1], 0.45f), SdCapsule(p, bolt[1], bolt[2], 0.45f),
                                 SdCapsule(p, bolt[2], bolt[3], 0.45f)});
              },
              Hex(0xffffff));
  }
}

void Crystals(const Cell& cell) {
  const struct {
    float x, y, w, h, lean;
  } shards[] = {{9, 22, 3, 14, -3}, {19, 22, 3, 13, 3}, {14, 23, 3.6f, 18, 0}};
  for (auto s : shards) {
    std::vector<V2> poly = {{s.x - s.w, s.y}, {s.x - s.w * 0.8f + s.lean * 0.3f, s.y - s.h * 0.7f},
                            {s.x + s.lean, s.y - s.h}, {s.x + s.w * 0.8f + s.lean * 0.3f, s.y - s.h * 0.7f},
                            {s.x + s.w, s.y}};
    cell.Fill(BoundsOf(poly, 1), [&](V2 p) { return SdPolygon(p, poly); },
              Linear{{s.x - s.w, s.y}, {s.x + s.w, s.y - s.h}, Hex(0xff2d6f), Hex(0xffb3d0)});
    std::vector<V2> facet = {{s.x, s.y}, {s.x + s.lean, s.y - s.h}, {s.x + s.w, s.y}};
    cell.Fill(BoundsOf(facet, 1), [&](V2 p) { return SdPolygon(p, facet); }, Rgba{0.4f, 0, 0.1f, 0.35f});
  }
}

void Acid(const Cell& cell) {
  cell.Fill(cell.All(), [](V2 p) { return SdBox(p, kC, {9.5f, 9}, 4.5f); },
            Linear{{14, 5}, {14, 23}, Hex(0xd6ff4a), Hex(0x2f9e1a)});
  for (int i = 0; i < 6; ++i) {
    V2 b{8 + Hash01(i, 20) * 12, 8 + Hash01(i, 21) * 12};
    float r = 0.8f + Hash01(i, 22) * 1.6f;
    cell.Fill(BoxAround(b, r + 1), [&](V2 p) { return SdCircle(p, b, r); }, Hex(0xf4ffc0, 0.85f));
    cell.Fill(BoxAround(b, r + 1), [&](V2 p) { return SdCircle(p, {b.x - r * 0.3f, b.y - r * 0.3f}, r * 0.35f); },
              Hex(0xffffff));
  }
  // A warning triangle.
  std::vector<V2> tri = {{14, 8.5f}, {19.5f, 18}, {8.5f, 18}};
  cell.Fill(BoundsOf(tri, 1), [&](V2 p) { return SdPolygon(p, tri) - 0.6f; }, Hex(0x1a3a0a));
  cell.Fill(BoundsOf(tri, 1), [&](V2 p) { return SdPolygon(p, tri); }, Hex(0xffe030));
  cell.Fill({12, 10, 16, 18}, [](V2 p) { return SdCapsule(p, {14, 11.6f}, {14, 14.6f}, 0.7f); },
            Hex(0x1a1a1a));
  cell.Fill({12, 15, 16, 18}, [](V2 p) { return SdCircle(p, {14, 16.6f}, 0.75f); }, Hex(0x1a1a1a));
}

void Mine(const Cell& cell) {
  for (int i = 0; i < 8; ++i) {
    V2 a = Polar(kC, 5, i * 45.0f), b = Polar(kC, 10, i * 45.0f);
    cell.Fill(cell.All(), [&](V2 p) { return SdCapsule(p, a, b, 1.1f); }, Hex(0xb7bfcc));
    cell.Fill(BoxAround(b, 2), [&](V2 p) { return SdCircle(p, b, 1.4f); }, Hex(0xff4a2a));
  }
  cell.Fill(BoxAround(kC, 8), [](V2 p) { return SdCircle(p, kC, 6.5f); },
            Radial{{12, 11}, 9, Hex(0x6b7283), Hex(0x1c1f26)});
  cell.Fill(BoxAround(kC, 4), [](V2 p) { return SdCircle(p, kC, 2.8f); }, Hex(0xff2a1a, 0.6f), 2);
  cell.Fill(BoxAround(kC, 3), [](V2 p) { return SdCircle(p, kC, 1.6f); }, Hex(0xffd0a0));
}

// ---- Runners -------------------------------------------------------------------

// One step of the run cycle: legs swing with sin, the foot moving forward
// is lifted (cos decides which), the body bobs twice per cycle.
struct Pose {
  float swing, lift, bob, lean;
};
Pose PoseOf(int i) {
  float ph = i * 60.0f;
  float s = std::sin(Rad(ph)), c = std::cos(Rad(ph));
  return {s, c, std::fabs(c), s * 0.6f};
}

void Limb(const Cell& cell, V2 a, V2 b, float r, Rgba c, Rgba outline) {
  cell.Fill(cell.All(), [&](V2 p) { return SdCapsule(p, a, b, r + 0.7f); }, outline);
  cell.Fill(cell.All(), [&](V2 p) { return SdCapsule(p, a, b, r); }, c);
}

// Teal round robot with an antenna and one big visor eye.
void RobotRunner(const Cell& cell, int i) {
  Pose ps = PoseOf(i);
  const Rgba body = Hex(0x3fd9ea), dark = Hex(0x0e3a4a), limb = Hex(0x2aa6c4);
  float by = 12.5f - ps.bob * 1.2f;
  V2 bc{14 + ps.lean * 0.6f, by};
  // Shadow under the feet.
  cell.Fill(cell.All(), [](V2 p) { return Len({(p.x - 14) / 6, (p.y - 25.2f) / 1.6f}) - 1; },
            Rgba{0, 0, 0, 0.35f}, 0.6f);
  // Legs swing opposite, the back one darker.
  V2 hipL{bc.x - 2.6f, by + 5}, hipR{bc.x + 2.6f, by + 5};
  V2 footL{14 - 2.8f + ps.swing * 3.2f, 24.5f - std::max(0.0f, ps.lift) * 2.4f};
  V2 footR{14 + 2.8f - ps.swing * 3.2f, 24.5f - std::max(0.0f, -ps.lift) * 2.4f};
  Limb(cell, hipL, footL, 1.3f, Shade(limb, 0.8f), dark);
  Limb(cell, hipR, footR, 1.3f, limb, dark);
  // Antenna.
  V2 a0{bc.x + 1, by - 6}, a1{bc.x + 2.5f - ps.lean, by - 10.2f};
  cell.Fill(cell.All(), [&](V2 p) { return SdCapsule(p, a0, a1, 0.55f); }, dark);
  cell.Fill(BoxAround(a1, 3), [&](V2 p) { return SdCircle(p, a1, 1.5f); }, Hex(0xffe05a));
  // Body.
  cell.Fill(BoxAround(bc, 9), [&](V2 p) { return SdCircle(p, bc, 7.4f); }, dark);
  cell.Fill(BoxAround(bc, 8), [&](V2 p) { return SdCircle(p, bc, 6.6f); },
            Radial{{bc.x - 2.5f, bc.y - 3}, 10, Shade(body, 1.35f), Shade(body, 0.75f)});
  // Visor and eye, looking down the course.
  V2 vc{bc.x, by + 0.6f};
  cell.Fill(BoxAround(vc, 6), [&](V2 p) { return SdBox(p, vc, {4.4f, 2.6f}, 2.4f); }, Hex(0x10222e));
  V2 ec{bc.x + 0.4f, by + 1.2f};
  cell.Fill(BoxAround(ec, 3), [&](V2 p) { return SdCircle(p, ec, 1.7f); }, Hex(0x9ffcff));
  cell.Fill(BoxAround(ec, 2), [&](V2 p) { return SdCircle(p, {ec.x - 0.5f, ec.y - 0.6f}, 0.6f); },
            Hex(0xffffff));
  // Arms.
  V2 shL{bc.x - 6.4f, by + 1}, shR{bc.x + 6.4f, by + 1};
  Limb(cell, shL, {shL.x - 1.5f - ps.swing * 1.5f, by + 4.6f}, 1, limb, dark);
  Limb(cell, shR, {shR.x + 1.5f + ps.swing * 1.5f, by + 4.6f}, 1, limb, dark);
}

// Rose cat: squarish head-body, pointed ears, a curling tail.
void CatRunner(const Cell& cell, int i) {
  Pose ps = PoseOf(i + 2);
  const Rgba fur = Hex(0xff6fae), dark = Hex(0x4a0f2c), belly = Hex(0xffd3e6);
  float by = 13 - ps.bob * 1.3f;
  V2 bc{14 - ps.lean * 0.6f, by};
  cell.Fill(cell.All(), [](V2 p) { return Len({(p.x - 14) / 6, (p.y - 25.2f) / 1.6f}) - 1; },
            Rgba{0, 0, 0, 0.35f}, 0.6f);
  // Tail behind, swishing.
  V2 t0{bc.x + 5, by + 4}, t1{bc.x + 9, by + 1 - ps.swing * 2}, t2{bc.x + 9.5f + ps.swing, by - 4};
  cell.Fill(cell.All(), [&](V2 p) { return std::min(SdCapsule(p, t0, t1, 1.8f), SdCapsule(p, t1, t2, 1.8f)); }, dark);
  cell.Fill(cell.All(), [&](V2 p) { return std::min(SdCapsule(p, t0, t1, 1.1f), SdCapsule(p, t1, t2, 1.1f)); }, fur);
  // Legs.
  V2 hipL{bc.x - 2.8f, by + 5}, hipR{bc.x + 2.8f, by + 5};
  V2 footL{14 - 3 - ps.swing * 3, 24.5f - std::max(0.0f, -ps.lift) * 2.4f};
  V2 footR{14 + 3 + ps.swing * 3, 24.5f - std::max(0.0f, ps.lift) * 2.4f};
  Limb(cell, hipL, footL, 1.4f, Shade(fur, 0.8f), dark);
  Limb(cell, hipR, footR, 1.4f, fur, dark);
  // Ears.
  for (float side : {-1.0f, 1.0f}) {
    std::vector<V2> ear = {{bc.x + side * 6.6f, by - 9.5f}, {bc.x + side * 6.8f, by - 2}, {bc.x + side * 1.2f, by - 5}};
    cell.Fill(BoundsOf(ear, 2), [&](V2 p) { return SdPolygon(p, ear) - 0.7f; }, dark);
    cell.Fill(BoundsOf(ear, 1), [&](V2 p) { return SdPolygon(p, ear); }, fur);
    std::vector<V2> inner = {{bc.x + side * 5.8f, by - 7.6f}, {bc.x + side * 5.9f, by - 3.5f}, {bc.x + side * 3, by - 4.6f}};
    cell.Fill(BoundsOf(inner, 1), [&](V2 p) { return SdPolygon(p, inner); }, belly);
  }
  // Body.
  cell.Fill(BoxAround(bc, 10), [&](V2 p) { return SdBox(p, bc, {7.2f, 6.6f}, 4); }, dark);
  cell.Fill(BoxAround(bc, 9), [&](V2 p) { return SdBox(p, bc, {6.4f, 5.8f}, 3.4f); },
            Linear{{bc.x, by - 6}, {bc.x, by + 6}, Shade(fur, 1.3f), Shade(fur, 0.8f)});
  cell.Fill(BoxAround(bc, 6), [&](V2 p) { return Len({(p.x - bc.x) / 3.6f, (p.y - by - 2.6f) / 2.4f}) - 1; },
            belly);
  // Eyes and nose.
  for (float side : {-1.0f, 1.0f}) {
    V2 e{bc.x + side * 2.6f, by - 1};
    cell.Fill(BoxAround(e, 2), [&](V2 p) { return Len({(p.x - e.x) / 1.1f, (p.y - e.y) / 1.5f}) - 1; },
              Hex(0x2a0618));
    cell.Fill(BoxAround(e, 1), [&](V2 p) { return SdCircle(p, {e.x - 0.3f, e.y - 0.6f}, 0.45f); }, Hex(0xffffff));
  }
  V2 n{bc.x, by + 1.2f};
  cell.Fill(BoxAround(n, 1.5f), [&](V2 p) { return SdCircle(p, n, 0.7f); }, Hex(0xb0184e));
}

void Block(const Cell& cell) {
  V2 c{14, 15};
  cell.Fill(cell.All(), [&](V2 p) { return SdBox(p, {c.x + 1, c.y + 1.5f}, {10, 9}, 2.5f); },
            Rgba{0, 0, 0, 0.45f}, 1);
  cell.Fill(cell.All(), [&](V2 p) { return SdBox(p, c, {10, 9}, 2.5f); }, Hex(0x1b1d24));
  cell.Fill(cell.All(), [&](V2 p) { return SdBox(p, c, {9, 8}, 1.8f); },
            Linear{{6, 7}, {22, 23}, Hex(0x8a93a6), Hex(0x394052)});
  // Glowing grate.
  cell.Fill(cell.All(), [&](V2 p) { return SdBox(p, {c.x, c.y - 1}, {6, 3.6f}, 1.2f); }, Hex(0x260800));
  cell.Fill(cell.All(), [&](V2 p) { return SdBox(p, {c.x, c.y - 1}, {5.2f, 2.8f}, 0.8f); },
            Linear{{14, 11}, {14, 17}, Hex(0xffd23a), Hex(0xff3a0a)});
  for (int k = -1; k <= 1; ++k) {
    float x = c.x + k * 3.2f;
    cell.Fill(cell.All(), [&](V2 p) { return SdBox(p, {x, c.y - 1}, {0.55f, 3.2f}, 0); }, Hex(0x260800));
  }
  for (V2 d : {V2{-1, -1}, V2{1, -1}, V2{-1, 1}, V2{1, 1}}) {
    V2 r{c.x + d.x * 7, c.y + d.y * 6};
    cell.Fill(BoxAround(r, 2), [&](V2 p) { return SdCircle(p, r, 1.1f); },
              Radial{{r.x - 0.4f, r.y - 0.4f}, 1.4f, Hex(0xe4e8f0), Hex(0x4a5062)});
  }
}

}  // namespace

void DrawPlayfield(const Cell& cell, int frame) {
  switch (frame) {
    case 0: Floor(cell, Hex(0x2f9fc4), false); break;
    case 1: Floor(cell, Hex(0xc04d9a), false); break;
    case 2: Floor(cell, Hex(0x2f9fc4), true); break;
    case 3: Floor(cell, Hex(0xc04d9a), true); break;
    case 9: Pit(cell, false); Spikes(cell); break;
    case 10: Pit(cell, false); Lava(cell, false); break;
    case 11: Pit(cell, false); Saw(cell); break;
    case 12: Pit(cell, false); Fire(cell); break;
    case 13: Pit(cell, false); Sparks(cell); break;
    case 14: Pit(cell, false); Crystals(cell); break;
    case 15: Pit(cell, false); Acid(cell); break;
    case 16: Pit(cell, false); Mine(cell); break;
    case 17: Pit(cell, true); Lava(cell, true); break;
    case 36: Block(cell); break;
    default:
      if (frame >= 18 && frame <= 23) RobotRunner(cell, frame - 18);
      if (frame >= 27 && frame <= 32) CatRunner(cell, frame - 27);
      break;
  }
}

}  // namespace art
