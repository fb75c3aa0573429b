// The picture of every frame of every image the game loads. Each function
// draws one frame into its cell; coordinates are the plain set's pixels
// (the cell is W() x H() units whatever the set's scale).
#pragma once

#include "canvas.h"

namespace art {

void DrawShadowFontFrame(const Cell& cell, int frame);  // fonts/shadow_editundo
void DrawZuliFontFrame(const Cell& cell, int frame);    // zuli_font
void DrawStudioLogo(const Cell& cell, int frame);       // common/PlondrelLogo
void DrawIcon(const Cell& cell, int frame);             // common/icons
void DrawButton(const Cell& cell, int frame);           // common/Buttons
void DrawDpad(const Cell& cell, int frame);             // common/dpad
void DrawMenuPanel(const Cell& cell, int frame);        // menu
void DrawTitleLogo(const Cell& cell, int frame);        // logo
void DrawBadge(const Cell& cell, int frame);            // BadgesA
void DrawParticle(const Cell& cell, int frame);         // parts
void DrawCircle(const Cell& cell, int frame);           // common/circle
void DrawLight(const Cell& cell, int frame);            // common/light
void DrawPlayfield(const Cell& cell, int frame);        // gfx

// A small deterministic hash for procedural variety (same input, same value).
inline float Hash01(unsigned a, unsigned b = 0) {
  unsigned h = a * 747796405u + b * 2891336453u + 12345u;
  h ^= h >> 16;
  h *= 2246822519u;
  h ^= h >> 13;
  h *= 3266489917u;
  h ^= h >> 16;
  return (h & 0xffffff) / 16777216.0f;
}

}  // namespace art
