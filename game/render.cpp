// OnRender: clears the screen and replays the draw list, scaled from the
// virtual screen to the device.
//
// The virtual screen keeps one design dimension (times 1.5 on a portrait
// device) and follows the device's aspect ratio with the other: whichever of
// width and height gives the larger scale is kept. The overscan margin (device
// pixels, on the console) shifts every record inwards; vertically it is
// scaled by the device's aspect ratio.
//
// The replay sets alpha, colour and blend when a record changes them; the
// renderer keeps its batch open across such calls when they change nothing
// for GL, so a run of records on one image and blend is one draw call.
//
// A record whose shape lies wholly outside the device is not replayed (nor
// its alpha, colour and blend): it could not change a pixel, and every
// primitive sent costs the GL driver vertex work and may split a batch. The
// boxes tried are conservative, so nothing that touches the screen is ever
// left out.
//
// Limits: the rotation of rectangles, ovals and lines is stored but not
// applied; image slots outside 0..99 and empty slots draw nothing. Also here:
// the device-size watch that restarts the loader.
#include <algorithm>
#include <cmath>
#include <utility>

#include "game/globals.h"
#include "game/myapp.h"

namespace {

constexpr float kPortraitFactor = 1.5f;  // design size multiplier on a portrait device
constexpr float kCullMargin = 2;         // device pixels beyond a shape's box that stay drawn

// Whether the box x0..x1, y0..y1 (either order), grown by the margin, misses
// the device. NaN coordinates never miss: such a shape is sent as it is.
bool OffDevice(float x0, float y0, float x1, float y1, float w, float h) {
  if (x1 < x0) std::swap(x0, x1);
  if (y1 < y0) std::swap(y0, y1);
  return x1 < -kCullMargin || y1 < -kCullMargin || x0 > w + kCullMargin || y0 > h + kCullMargin;
}

// The box an image record's sprite can reach: every corner of the frame,
// taken about the handle, turned and scaled, lies within this radius of the
// drawing point.
float SpriteReach(const c_Image* image, float scaleX, float scaleY) {
  const float scale = std::max(std::fabs(scaleX), std::fabs(scaleY));
  return scale * ((float)image->m_width + std::fabs(image->m_tx) + (float)image->m_height +
                  std::fabs(image->m_ty));
}

}  // namespace

int c_MyApp::p_OnRender() {
  // 1. Render timing.
  int now = rv_app_Millisecs();
  if (now > m_renderLast) {
    m_renderFps = 1000 / (now - m_renderLast);
    m_renderFpsAvg = (m_renderFps + 9 * m_renderFpsAvg) / 10;
    m_renderLast = now;
  }

  // 2. Clear: one rectangle over the whole device in the clear colour.
  const int devW = rv_app_DeviceWidth(), devH = rv_app_DeviceHeight();
  rv_graphics_SetColor(m_clsRed, m_clsGreen, m_clsBlue);
  rv_graphics_SetAlpha(m_clsAlpha);
  rv_graphics_context->p_Validate();
  rv_graphics_DrawRect(-1, -1, (float)(devW + 2), (float)(devH + 2));
  rv_graphics_SetColor(255, 255, 255);
  rv_graphics_SetAlpha(1);

  // 3. A new device size reloads every asset at the level it calls for.
  if (devW != m_lastDevWidth || devH != m_lastDevHeight) {
    m_lastDevWidth = devW;
    m_lastDevHeight = devH;
    m_loadStage = 1;
  }

  // 4. Virtual screen.
  const float overscan = rv_Quenmor_overscan;
  const float f = devH > devW ? kPortraitFactor : 1.0f;
  const float sx = ((float)devW - 2 * overscan) / (rv_Quenmor_rawscrw * f);
  const float sy = ((float)devH - 2 * overscan) / (rv_Quenmor_rawscrh * f);
  float k;
  if (sy <= sx) {
    m_fitMode = 1;
    k = (float)devW / (rv_Quenmor_rawscrw * f);
    m_scaleX = m_scaleY = sx;
  } else {
    m_fitMode = 2;
    k = (float)devH / (rv_Quenmor_rawscrh * f);
    m_scaleX = m_scaleY = sy;
  }
  if (k > 0) {
    rv_Quenmor_jscrw = (float)devW / k;
    rv_Quenmor_jscrh = (float)devH / k;
  }
  m_landscape = rv_Quenmor_jscrh <= rv_Quenmor_jscrw ? 1 : 0;

  // 5. Replay.
  const float ox = overscan;
  const float oy = devW > 0 ? overscan * (float)devH / (float)devW : 0;
  const float scaleX = m_scaleX, scaleY = m_scaleY;
  const float imageScaleX = scaleX * m_imageScale, imageScaleY = scaleY * m_imageScale;
  const float* list = m_drawList.Data();
  // Most records repeat the alpha, colour and blend of the one before; only
  // a change is passed on (nothing else in the replay sets them).
  const float* prev = nullptr;
  auto apply = [&prev](const float* r) {
    if (!prev || r[7] != prev[7]) rv_graphics_SetAlpha(r[7]);
    if (!prev || r[10] != prev[10] || r[11] != prev[11] || r[12] != prev[12]) {
      rv_graphics_SetColor(r[10], r[11], r[12]);
    }
    if (!prev || (r[13] == 3) != (prev[13] == 3)) rv_graphics_SetBlend(r[13] == 3 ? 1 : 0);
    prev = r;
  };
  const float dw = (float)devW, dh = (float)devH;
  for (int at = 0; at + kRecordFloats <= m_drawCount; at += kRecordFloats) {
    const float* r = list + at;
    const int type = TruncToInt(r[0]);
    const float x = r[1] * scaleX + ox, y = r[2] * scaleY + oy;
    switch (type) {
      case kRectRecord: {
        const float w = r[4] * scaleX, h = r[5] * scaleY;
        if (OffDevice(x, y, x + w, y + h, dw, dh)) continue;
        apply(r);
        rv_graphics_DrawRect(x, y, w, h);
        break;
      }
      case kOvalRecord: {
        const float rx = r[4] * scaleX, ry = r[5] * scaleY;  // negative on a turning coin
        if (OffDevice(x - rx, y - ry, x + rx, y + ry, dw, dh)) continue;
        apply(r);
        rv_graphics_DrawEllipse(x, y, rx, ry);
        break;
      }
      case kLineRecord: {
        const float x2 = r[4] * scaleX + ox, y2 = r[5] * scaleY + oy;
        if (OffDevice(x, y, x2, y2, dw, dh)) continue;
        apply(r);
        rv_graphics_DrawLine(x, y, x2, y2);
        break;
      }
      default: {
        c_Image* image = type >= 0 && type < m_images.Length() ? m_images[type] : nullptr;
        if (!image) continue;
        const float sx = r[4] * imageScaleX, sy = r[5] * imageScaleY;
        const float reach = SpriteReach(image, sx, sy);
        if (OffDevice(x - reach, y - reach, x + reach, y + reach, dw, dh)) continue;
        apply(r);
        rv_graphics_DrawImage2(image, x, y, r[3], sx, sy, TruncToInt(r[6]));
        break;
      }
    }
  }

  // 6. What the next drawing outside the list starts from.
  rv_graphics_SetAlpha(0.5f);
  rv_graphics_SetColor(255, 255, 255);
  return 0;
}
