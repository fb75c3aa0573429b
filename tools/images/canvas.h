// The generator's raster: float RGBA images (premultiplied) and a drawing
// context per sprite cell that fills shapes given as signed distance
// functions in design units.
//
// Every picture is drawn as vectors at the resolution of its set (cell size
// x scale), so the large sets are as crisp as the small one. Edges are
// antialiased analytically: coverage = 0.5 - distance in pixels, clamped,
// one distance evaluation per pixel and shape. Drawing is clipped to the
// cell, so no frame bleeds into its neighbour when the sheet is cut.
//
// Limits: single-threaded, float maths; byte-identical output is promised
// for one build of the generator, not across compilers.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace art {

constexpr float kPi = 3.14159265358979f;
inline float Rad(float degrees) { return degrees * kPi / 180.0f; }
inline float Clamp01(float v) { return v < 0 ? 0 : v > 1 ? 1 : v; }
inline float Mixf(float a, float b, float t) { return a + (b - a) * t; }
inline float Smooth(float e0, float e1, float x) {
  float t = Clamp01((x - e0) / (e1 - e0));
  return t * t * (3 - 2 * t);
}

// Straight (not premultiplied) colour, channels 0..1.
struct Rgba {
  float r = 0, g = 0, b = 0, a = 0;
};
inline Rgba Hex(uint32_t rgb, float a = 1) {
  return {((rgb >> 16) & 255) / 255.0f, ((rgb >> 8) & 255) / 255.0f, (rgb & 255) / 255.0f, a};
}
inline Rgba Mix(Rgba x, Rgba y, float t) {
  return {Mixf(x.r, y.r, t), Mixf(x.g, y.g, t), Mixf(x.b, y.b, t), Mixf(x.a, y.a, t)};
}
inline Rgba Alpha(Rgba c, float a) { return {c.r, c.g, c.b, c.a * a}; }
inline Rgba Shade(Rgba c, float k) {  // k < 1 darker, > 1 lighter (towards white)
  if (k <= 1) return {c.r * k, c.g * k, c.b * k, c.a};
  float t = Clamp01(k - 1);
  return {Mixf(c.r, 1, t), Mixf(c.g, 1, t), Mixf(c.b, 1, t), c.a};
}

struct V2 {
  float x = 0, y = 0;
};
inline V2 operator+(V2 a, V2 b) { return {a.x + b.x, a.y + b.y}; }
inline V2 operator-(V2 a, V2 b) { return {a.x - b.x, a.y - b.y}; }
inline V2 operator*(V2 a, float k) { return {a.x * k, a.y * k}; }
inline float Dot(V2 a, V2 b) { return a.x * b.x + a.y * b.y; }
inline float Len(V2 a) { return std::sqrt(Dot(a, a)); }
// The point at `degrees` clockwise from straight up, `r` from c.
inline V2 Polar(V2 c, float r, float degrees) {
  return {c.x + r * std::sin(Rad(degrees)), c.y - r * std::cos(Rad(degrees))};
}
inline V2 Rotate(V2 p, V2 c, float degrees) {  // clockwise on screen
  float s = std::sin(Rad(degrees)), k = std::cos(Rad(degrees));
  V2 d = p - c;
  return {c.x + d.x * k - d.y * s, c.y + d.x * s + d.y * k};
}

class Image {
 public:
  Image(int w, int h) : w_(w), h_(h), px_((std::size_t)w * h * 4, 0.0f) {}
  int Width() const { return w_; }
  int Height() const { return h_; }
  // Source-over with the colour's alpha times coverage.
  void Blend(int x, int y, const Rgba& c, float coverage) {
    float a = c.a * coverage;
    if (a <= 0) return;
    float* p = &px_[((std::size_t)y * w_ + x) * 4];
    float k = 1 - a;
    p[0] = c.r * a + p[0] * k;
    p[1] = c.g * a + p[1] * k;
    p[2] = c.b * a + p[2] * k;
    p[3] = a + p[3] * k;
  }
  // Removes alpha (erases) by coverage, for cut-outs.
  void Erase(int x, int y, float coverage) {
    float* p = &px_[((std::size_t)y * w_ + x) * 4];
    float k = 1 - Clamp01(coverage);
    for (int i = 0; i < 4; ++i) p[i] *= k;
  }
  float AlphaAt(int x, int y) const { return px_[((std::size_t)y * w_ + x) * 4 + 3]; }
  // 8-bit straight RGBA, rows top first.
  std::vector<uint8_t> ToRgba8() const;

 private:
  int w_, h_;
  std::vector<float> px_;
};

struct Box {
  float x0, y0, x1, y1;
};

// One sprite cell: design units (the plain set's pixels) mapped to the
// image's pixels by `scale`, clipped to the cell.
class Cell {
 public:
  Cell(Image* img, int px, int py, int pw, int ph, float scale)
      : img_(img), px_(px), py_(py), pw_(pw), ph_(ph), s_(scale) {}
  float Scale() const { return s_; }
  float W() const { return pw_ / s_; }  // cell size in design units
  float H() const { return ph_ / s_; }
  V2 Centre() const { return {W() * 0.5f, H() * 0.5f}; }
  Image* Img() const { return img_; }

  // Fills the shape sdf(V2)->distance (units, negative inside) with
  // paint(V2)->Rgba, within `bounds` (units). `soft` widens the edge by that
  // many units (glows, shadows).
  template <class Sdf, class Paint>
  void Fill(const Box& bounds, Sdf sdf, Paint paint, float soft = 0) const {
    float aa = 1 + soft * s_;  // edge width in pixels
    int x0 = std::max(0, (int)std::floor(bounds.x0 * s_ - aa));
    int y0 = std::max(0, (int)std::floor(bounds.y0 * s_ - aa));
    int x1 = std::min(pw_, (int)std::ceil(bounds.x1 * s_ + aa));
    int y1 = std::min(ph_, (int)std::ceil(bounds.y1 * s_ + aa));
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) {
        V2 p{(x + 0.5f) / s_, (y + 0.5f) / s_};
        float d = sdf(p) * s_;
        float cov = Clamp01(0.5f - d / aa);
        if (cov <= 0) continue;
        img_->Blend(px_ + x, py_ + y, paint(p), cov);
      }
    }
  }
  template <class Sdf>
  void Fill(const Box& bounds, Sdf sdf, Rgba colour, float soft = 0) const {
    Fill(bounds, sdf, [colour](V2) { return colour; }, soft);
  }
  template <class Sdf>
  void Cut(const Box& bounds, Sdf sdf) const {
    int x0 = std::max(0, (int)std::floor(bounds.x0 * s_ - 1));
    int y0 = std::max(0, (int)std::floor(bounds.y0 * s_ - 1));
    int x1 = std::min(pw_, (int)std::ceil(bounds.x1 * s_ + 1));
    int y1 = std::min(ph_, (int)std::ceil(bounds.y1 * s_ + 1));
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) {
        V2 p{(x + 0.5f) / s_, (y + 0.5f) / s_};
        float cov = Clamp01(0.5f - sdf(p) * s_);
        if (cov > 0) img_->Erase(px_ + x, py_ + y, cov);
      }
    }
  }
  // One whole pixel of the image (for pixel-exact art at scale 1).
  void Pixel(int x, int y, Rgba c) const {
    if (x >= 0 && y >= 0 && x < pw_ && y < ph_) img_->Blend(px_ + x, py_ + y, c, 1);
  }
  Box All() const { return {0, 0, W(), H()}; }

 private:
  Image* img_;
  int px_, py_, pw_, ph_;
  float s_;
};

// ---- Signed distances (units; negative inside) ------------------------------
inline float SdCircle(V2 p, V2 c, float r) { return Len(p - c) - r; }
inline float SdRing(V2 p, V2 c, float r, float half_width) {
  return std::fabs(Len(p - c) - r) - half_width;
}
// Axis-aligned box with rounded corners (radius rr).
inline float SdBox(V2 p, V2 c, V2 half, float rr = 0) {
  float qx = std::fabs(p.x - c.x) - half.x + rr, qy = std::fabs(p.y - c.y) - half.y + rr;
  float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
  return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - rr;
}
// Segment a-b thickened by r (round caps).
inline float SdCapsule(V2 p, V2 a, V2 b, float r) {
  V2 pa = p - a, ba = b - a;
  float dd = Dot(ba, ba);
  float h = dd > 0 ? Clamp01(Dot(pa, ba) / dd) : 0;
  return Len(pa - ba * h) - r;
}
// Any simple polygon (even-odd inside test).
float SdPolygon(V2 p, const std::vector<V2>& pts);
// Regular star: n points, outer radius ro, inner ri, first point at `rot`.
std::vector<V2> StarPoints(V2 c, int n, float ro, float ri, float rot = 0);
std::vector<V2> RegularPolygon(V2 c, int n, float r, float rot = 0);
// Ring sector between angles a0..a1 (degrees clockwise from up).
float SdArc(V2 p, V2 c, float r, float half_width, float a0, float a1);

inline Box BoxAround(V2 c, float r) { return {c.x - r, c.y - r, c.x + r, c.y + r}; }
Box BoundsOf(const std::vector<V2>& pts, float pad = 0);

// ---- Paints ------------------------------------------------------------------
struct Linear {  // from colour a at point p0 to colour b at p1
  V2 p0, p1;
  Rgba a, b;
  Rgba operator()(V2 p) const {
    V2 d = p1 - p0;
    float t = Clamp01(Dot(p - p0, d) / Dot(d, d));
    return Mix(a, b, t);
  }
};
struct Radial {  // colour a at the centre to b at radius r
  V2 c;
  float r;
  Rgba a, b;
  Rgba operator()(V2 p) const { return Mix(a, b, Clamp01(Len(p - c) / r)); }
};

// ---- Common compositions ----------------------------------------------------
// A disc with a vertical gradient, a darker rim and a soft top highlight:
// the game's "button" look.
void GlossyDisc(const Cell& cell, V2 c, float r, Rgba base, float rim = 0);
// Soft drop shadow of a disc.
void DiscShadow(const Cell& cell, V2 c, float r, float offset, float softness, float alpha);

}  // namespace art
