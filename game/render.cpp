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
// Limits: the rotation of rectangles, ovals and lines is stored but not
// applied; image slots outside 0..99 and empty slots draw nothing. Also here:
// the device-size watch that restarts the loader.
#include "game/globals.h"
#include "game/myapp.h"

namespace {

constexpr float kPortraitFactor = 1.5f;  // design size multiplier on a portrait device

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
  for (int at = 0; at + kRecordFloats <= m_drawCount; at += kRecordFloats) {
    const float* r = list + at;
    if (!prev || r[7] != prev[7]) rv_graphics_SetAlpha(r[7]);
    if (!prev || r[10] != prev[10] || r[11] != prev[11] || r[12] != prev[12]) {
      rv_graphics_SetColor(r[10], r[11], r[12]);
    }
    if (!prev || (r[13] == 3) != (prev[13] == 3)) rv_graphics_SetBlend(r[13] == 3 ? 1 : 0);
    prev = r;
    const int type = TruncToInt(r[0]);
    const float x = r[1] * scaleX + ox, y = r[2] * scaleY + oy;
    switch (type) {
      case kRectRecord:
        rv_graphics_DrawRect(x, y, r[4] * scaleX, r[5] * scaleY);
        break;
      case kOvalRecord:
        rv_graphics_DrawEllipse(x, y, r[4] * scaleX, r[5] * scaleY);
        break;
      case kLineRecord:
        rv_graphics_DrawLine(x, y, r[4] * scaleX + ox, r[5] * scaleY + oy);
        break;
      default:
        if (type >= 0 && type < m_images.Length() && m_images[type]) {
          rv_graphics_DrawImage2(m_images[type], x, y, r[3], r[4] * imageScaleX,
                                 r[5] * imageScaleY, TruncToInt(r[6]));
        }
        break;
    }
  }

  // 6. What the next drawing outside the list starts from.
  rv_graphics_SetAlpha(0.5f);
  rv_graphics_SetColor(255, 255, 255);
  return 0;
}
