// Raster conversions, polygon distances and shared compositions.
#include "canvas.h"

namespace art {

std::vector<uint8_t> Image::ToRgba8() const {
  std::vector<uint8_t> out((std::size_t)w_ * h_ * 4);
  for (std::size_t i = 0; i < (std::size_t)w_ * h_; ++i) {
    const float* p = &px_[i * 4];
    float a = Clamp01(p[3]);
    uint8_t* o = &out[i * 4];
    if (a < 0.5f / 255) {
      o[0] = o[1] = o[2] = o[3] = 0;  // fully clear pixels carry no colour
      continue;
    }
    for (int c = 0; c < 3; ++c) o[c] = (uint8_t)std::lround(Clamp01(p[c] / a) * 255);
    o[3] = (uint8_t)std::lround(a * 255);
  }
  return out;
}

float SdPolygon(V2 p, const std::vector<V2>& v) {
  float d = Dot(p - v[0], p - v[0]);
  bool inside = false;
  for (std::size_t i = 0, j = v.size() - 1; i < v.size(); j = i++) {
    V2 e = v[j] - v[i], w = p - v[i];
    float h = Clamp01(Dot(w, e) / Dot(e, e));
    V2 b = w - e * h;
    d = std::min(d, Dot(b, b));
    if ((v[i].y > p.y) != (v[j].y > p.y) &&
        p.x < (v[j].x - v[i].x) * (p.y - v[i].y) / (v[j].y - v[i].y) + v[i].x) {
      inside = !inside;
    }
  }
  return (inside ? -1.0f : 1.0f) * std::sqrt(d);
}

std::vector<V2> StarPoints(V2 c, int n, float ro, float ri, float rot) {
  std::vector<V2> pts;
  for (int i = 0; i < 2 * n; ++i) pts.push_back(Polar(c, i % 2 ? ri : ro, rot + 180.0f * i / n));
  return pts;
}

std::vector<V2> RegularPolygon(V2 c, int n, float r, float rot) {
  std::vector<V2> pts;
  for (int i = 0; i < n; ++i) pts.push_back(Polar(c, r, rot + 360.0f * i / n));
  return pts;
}

float SdArc(V2 p, V2 c, float r, float half_width, float a0, float a1) {
  V2 d = p - c;
  float ang = std::atan2(d.x, -d.y) * 180.0f / kPi;  // clockwise from up
  float mid = (a0 + a1) * 0.5f, half = (a1 - a0) * 0.5f;
  float rel = std::remainder(ang - mid, 360.0f);
  if (std::fabs(rel) <= half) return std::fabs(Len(d) - r) - half_width;
  V2 e0 = Polar(c, r, a0), e1 = Polar(c, r, a1);
  return std::min(Len(p - e0), Len(p - e1)) - half_width;
}

Box BoundsOf(const std::vector<V2>& pts, float pad) {
  Box b{pts[0].x, pts[0].y, pts[0].x, pts[0].y};
  for (V2 q : pts) {
    b.x0 = std::min(b.x0, q.x);
    b.y0 = std::min(b.y0, q.y);
    b.x1 = std::max(b.x1, q.x);
    b.y1 = std::max(b.y1, q.y);
  }
  return {b.x0 - pad, b.y0 - pad, b.x1 + pad, b.y1 + pad};
}

void DiscShadow(const Cell& cell, V2 c, float r, float offset, float softness, float alpha) {
  V2 sc{c.x + offset * 0.5f, c.y + offset};
  cell.Fill(BoxAround(sc, r + softness), [&](V2 p) { return SdCircle(p, sc, r); },
            Rgba{0, 0, 0, alpha}, softness);
}

void GlossyDisc(const Cell& cell, V2 c, float r, Rgba base, float rim) {
  Rgba top = Shade(base, 1.25f), bottom = Shade(base, 0.7f);
  if (rim > 0) {
    cell.Fill(BoxAround(c, r), [&](V2 p) { return SdCircle(p, c, r); }, Shade(base, 0.45f));
  }
  float ri = r - rim;
  cell.Fill(BoxAround(c, ri), [&](V2 p) { return SdCircle(p, c, ri); },
            Linear{{c.x, c.y - ri}, {c.x, c.y + ri}, top, bottom});
  // Highlight: an ellipse in the upper part.
  V2 hc{c.x, c.y - ri * 0.45f};
  float hx = ri * 0.62f, hy = ri * 0.38f;
  cell.Fill(BoxAround(hc, hx),
            [&](V2 p) {
              V2 q{(p.x - hc.x) / hx, (p.y - hc.y) / hy};
              return (Len(q) - 1) * std::min(hx, hy);
            },
            Linear{{hc.x, hc.y - hy}, {hc.x, hc.y + hy}, Rgba{1, 1, 1, 0.45f}, Rgba{1, 1, 1, 0}});
}

}  // namespace art
