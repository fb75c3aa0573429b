// The game's letter shapes: one hand-made bitmap per printable ASCII
// character on a 9-row grid (rows 0..6 above the baseline, 7..8 for
// descenders; lower case x-height from row 2). Most glyphs are 5 wide;
// narrow and wide letters follow the text renderer's kerning (i f l: 2-3,
// j s k r z t n: 4, M W: 6, m w: 7), so every glyph plus its shadow keeps a
// one-pixel gap to its neighbour.
//
// Small sizes draw the bitmap pixel for pixel. Larger sizes draw the same
// design as strokes: a round-capped segment between every two neighbouring
// pixels (diagonals only where no corner pixel already joins them), so a
// 4x glyph is smooth, not blocky.
#pragma once

#include <string>

#include "canvas.h"

namespace art {

constexpr int kGlyphRows = 9;

struct Glyph {
  int width = 0;
  const char* rows[kGlyphRows] = {};  // '#' ink; missing rows are empty
  bool On(int x, int y) const;
};

// The glyph of an ASCII character 32..126 (a blank one otherwise).
const Glyph& GlyphOf(int ch);

// Pixel-exact bitmap at integer pixel position (x, y) of a cell drawn at
// scale 1: ink colour, optional shadow one pixel down-right under it.
void BlitGlyph(const Cell& cell, const Glyph& g, int x, int y, Rgba ink, Rgba shadow);

// Stroked glyph with its top-left grid corner at (x, y) units, one grid
// pixel = `unit` units, stroke half-width = `weight` x unit.
void StrokeGlyph(const Cell& cell, const Glyph& g, V2 at, float unit, float weight, Rgba ink);
// The same filled with any paint (gradients across a title).
template <class Paint>
void StrokeGlyphPaint(const Cell& cell, const Glyph& g, V2 at, float unit, float weight,
                      Paint paint);

// Width in grid pixels of a text set with one pixel between glyphs.
int TextWidth(const std::string& text);
// Stroked text centred on c (grid rows 0..6 centred vertically).
void StrokeText(const Cell& cell, const std::string& text, V2 c, float unit, float weight,
                Rgba ink);

// ---- template implementation -------------------------------------------------
float GlyphDistance(const Glyph& g, V2 local, float weight);  // grid units

template <class Paint>
void StrokeGlyphPaint(const Cell& cell, const Glyph& g, V2 at, float unit, float weight,
                      Paint paint) {
  Box b{at.x - unit, at.y - unit, at.x + (g.width + 1) * unit, at.y + (kGlyphRows + 1) * unit};
  cell.Fill(b, [&](V2 p) { return GlyphDistance(g, (p - at) * (1 / unit), weight) * unit; },
            paint);
}

}  // namespace art
