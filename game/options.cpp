// The option box: a panel that slides up over the menu or a paused game
// with a back gear and a column of toggle rows (sound mode, iCade, window
// mode, the two thumbstick Y directions; overscan and Quit on the console).
// The frame dispatch runs it while the box is open or still sliding and
// moves m_optionsAnim toward 30 (open) or 0 (closed).
//
// Rules:
//  - The box swallows every press: it sets m_keyLock and m_inputUsed each
//    frame, so nothing underneath reacts.
//  - Until it has fully slid in (and while it slides out) both option
//    latches are forced on: nothing in it can be activated.
//  - Each row acts once per press: its key latch holds until every
//    navigation, button and back control is released; its touch latch
//    until the pointer is up.
//  - Settings take effect at once and are saved only when the box closes
//    through its back control.
//
// Decisions:
//  - Every row tests both latches, the iCade and window rows too: a held
//    button would otherwise flip the window mode (a window reopen) every
//    frame it is held.
//  - The pointer is the mouse on this desktop build (see menu.cpp): a row
//    or the gear is hit by a press inside it.
//  - A stored sound mode outside the range of the row (above it, or
//    negative) shows no label for a frame and is then reset to 0.
#include <cmath>

#include "game/globals.h"
#include "game/myapp.h"

namespace {

constexpr int kOpenFrames = 30;  // m_optionsAnim when fully open
constexpr int kSlotSound = 5;
constexpr int kSlotOverscan = 14;
constexpr int kSlotLeftStickY = 15;
constexpr int kSlotRightStickY = 16;

int Round(float v) { return (int)std::lround(v); }

}  // namespace

int c_MyApp::p_OptionBox() {
  const float W = rv_Quenmor_jscrw, H = rv_Quenmor_jscrh;
  const bool console = rv_Quenmor_isOuya == 1;
  const bool music = rv_Quenmor_HasMusicStream == 1;
  const Pointer ptr = p_Pointer();
  const float anim = (float)m_optionsAnim;

  // 1. Draw state; the console's overscan guide in the corners.
  p_ResetDraw();
  if (console) {
    p_Rect(0, 0, 16, 8);
    p_Rect(0, 0, 8, 16);
    p_Rect(W - 16, 0, 16, 8);
    p_Rect(W - 8, 0, 8, 16);
    p_Rect(0, H - 8, 16, 8);
    p_Rect(0, H - 16, 8, 16);
    p_Rect(W - 16, H - 8, 16, 8);
    p_Rect(W - 8, H - 16, 8, 16);
  }

  // 2. Nothing underneath reacts; nothing here reacts until fully open.
  m_keyLock = 1;
  m_inputUsed = 1;
  if (m_optionsAnim != kOpenFrames) {
    m_optionKeyLatch = 1;
    m_optionTouchLatch = 1;
  }

  // 3. Panel.
  p_SetCol(150, 75, 0, 0.85f);
  p_Rect(50, (30 - anim) * 24, W - 100, H);

  // 4. Back gear (cursor position 0).
  auto close = [&] {
    m_optionsOpen = 0;
    p_PlaySFX(99, 1);
    p_Save();
    m_keyLock = 1;
    m_inputUsed = 1;
    m_optionKeyLatch = 1;
  };
  {
    const float gx = (anim * 3 - 90) * 4 + 100, gy = 60;
    const float size = m_optionCursor == 0 ? 2.0f : 1.5f;
    m_gearAngle = std::fmod(m_gearAngle + 0.2f, 360.0f);
    const float a = m_gearAngle;
    p_ResetDraw();
    p_SetSize(size);
    p_SetRot(0.66f * a);
    p_DrawImg(95, gx, gy, 8);
    p_SetRot(-0.33f * a);
    p_DrawImg(95, gx, gy, 9);
    p_SetRot(-a);
    p_DrawImg(95, gx, gy, 10);
    p_SetRot(0);
    const float hw = (float)m_imageInfo[3 * 95] * m_imageScale * size * 0.5f;
    const float hh = (float)m_imageInfo[3 * 95 + 1] * m_imageScale * size * 0.5f;
    const bool touched = ptr.down && std::fabs(ptr.x - gx) < hw && std::fabs(ptr.y - gy) < hh;
    if ((touched || p_PlayKeyAll(99, 1) > 0) && m_optionKeyLatch == 0 &&
        m_optionTouchLatch == 0) {
      close();
      if (touched) m_optionTouchLatch = 1;
    }
    p_SetSize(2);
    p_Text(gx + 76, 60, String("<[BACK]"), 0, 1);
  }

  // 5. Console: the overscan adjuster.
  if (console) {
    const float y = (anim * 3 - 90) * 4 + 92;
    const float mid = W * 0.6f;
    p_ResetDraw();
    p_SetSize(2);
    p_Text(mid, y, String(u"\u00acU <      Overscan      > \u00acO"), 1, 1);
    p_SetCol(0, 128, 255, 0.5f);
    p_Rect(mid - 128, y - 5, 256, 9);
    p_SetCol(255, 255, 0, 0.75f);
    p_Rect((float)m_settings[kSlotOverscan] * 2.67f + mid - 132, y - 8, 8, 16);
    if (m_optionKeyLatch == 0) {
      if (p_PlayKeyAll(14, 1) > 0) {
        m_settings[kSlotOverscan] -= 16;
        m_optionKeyLatch = 1;
      } else if (p_PlayKeyAll(15, 1) > 0) {
        m_settings[kSlotOverscan] += 16;
        m_optionKeyLatch = 1;
      }
    }
    int& slot = m_settings[kSlotOverscan];
    if (slot < 1) slot = 1;
    if (slot > 96) slot = 96;
    rv_Quenmor_overscan = (float)slot;
  }

  // 6. Rows.
  const bool buttons = p_PlayKeyAll(10, 1) > 0 || p_PlayKeyAll(11, 1) > 0 ||
                       p_PlayKeyAll(12, 1) > 0 || p_PlayKeyAll(13, 1) > 0 ||
                       p_PlayKeyAll(14, 1) > 0 || p_PlayKeyAll(15, 1) > 0;
  int row = 0;
  float y = (30 - anim) * 24 + 130 - 40;
  // Draws a row's bar and label; gives whether the row should act now.
  auto bar = [&](float bx, float by, float bw, const String& label, float lx) {
    ++row;
    const bool cursorHere = m_optionCursor == row;
    p_ResetDraw();
    if (cursorHere) {
      p_SetCol(0, 180, 255, 0.5f);
    } else {
      p_SetCol(0, 0, 160, 0.5f);
    }
    bool touched = p_Touch(bx, by, bw, 24) != 0;
    touched = touched || (ptr.hit && ptr.x > bx - 6 && ptr.x < bx + bw + 12 && ptr.y > by - 6 &&
                          ptr.y < by + 24 + 12);
    bool activated = false;
    if (touched) {
      m_optionCursor = row;
      activated = true;
    }
    if (cursorHere && buttons) activated = true;
    p_ResetDraw();
    p_SetSize(2);
    if (label.Length() > 0) p_Text(lx, by + 2, label, 0, 0);
    if (activated && m_optionKeyLatch == 0 && m_optionTouchLatch == 0) {
      m_optionKeyLatch = 1;
      m_optionTouchLatch = 1;
      p_PlaySFX(99, 1);
      return true;
    }
    return false;
  };

  // Sound.
  {
    y += 40;
    int& sound = m_settings[kSlotSound];
    const int top = music ? 3 : 1;
    String label;
    if (sound == 0) {
      label = String("Sound : Off");
    } else if (!music && sound == 1) {
      label = String("Sound : On");
    } else if (music && sound == 1) {
      label = String("Sound : SFX + Music");
    } else if (music && sound == 2) {
      label = String("Sound : SFX");
    } else if (music && sound == 3) {
      label = String("Sound : Music");
    }
    const bool act = bar(84, y - 2, W - 168, label, 100);
    if (sound > top || sound < 0) sound = 0;
    if (act) {
      if (!music) {
        sound = 1 - sound;
        if (sound < 0 || sound > 1) sound = 0;
      } else {
        sound = (sound + 1) % 4;
        if (sound == 0 || sound == 2) {
          rv_audio_StopMusic();
          m_musicOn = 0;
        } else if (m_mode > 9) {
          p_PlayTune(String("-1"), 1);
        }
      }
    }
  }

  // iCade (not on the console, whose pads are its own).
  if (!console) {
    y += 40;
    const bool on = rv_Quenmor_iCadeControls != 0;
    if (bar(84, y - 2, W - 168, String(on ? "iCade : On" : "iCade : Off"), 100)) {
      const int now = on ? 0 : 1;
      rv_Quenmor_iCadeControls = now;
      p_iCade(now);
      for (int i = 0; i < m_pad.Length(); ++i) m_pad[i] = 0;
    }
  }

  // Window mode.
  y += 40;
  if (bar(84, y - 2, W - 168, String(m_fullscreen == 0 ? "Fullscreen" : "Windowed"), 100)) {
    p_FullscreenFlip();
  }

  // Thumbstick Y directions.
  y += 40;
  if (bar(84, y - 2, W - 168,
          String(m_settings[kSlotLeftStickY] != 0 ? "Left Thumbstick Y Normal"
                                                  : "Left Thumbstick Y Flipped"),
          100)) {
    m_settings[kSlotLeftStickY] = m_settings[kSlotLeftStickY] != 0 ? 0 : 1;
  }
  y += 40;
  if (bar(84, y - 2, W - 168,
          String(m_settings[kSlotRightStickY] != 0 ? "Right Thumbstick Y Normal"
                                                   : "Right Thumbstick Y Flipped"),
          100)) {
    m_settings[kSlotRightStickY] = m_settings[kSlotRightStickY] != 0 ? 0 : 1;
  }

  // Quit (console only, and not over a paused game).
  if (console && m_paused == 0) {
    y += H > W ? 80 : 40;
    const float qx = (float)Round(W - 264);
    if (bar(qx - 16, y - 2, 180, String("Quit"), qx)) rvError(String());
  }
  const int lastRow = row;

  // 7. Keys move the cursor; the buttons close the box from the gear.
  if (m_optionKeyLatch == 0) {
    const bool closeKey = p_PlayKeyAll(15, 1) > 0 || p_PlayKeyAll(10, 1) > 0 ||
                          p_PlayKeyAll(11, 1) > 0;
    if (closeKey && m_optionCursor == 0) {
      close();
    } else if (p_PlayKeyAll(0, 1) > 0 || p_PlayKeyAll(3, 1) > 0) {
      if (m_optionCursor > 0) --m_optionCursor;
      m_optionKeyLatch = 1;
      p_PlaySFX(99, 1);
    } else if (p_PlayKeyAll(8, 1) > 0 || p_PlayKeyAll(5, 1) > 0) {
      if (m_optionCursor < lastRow) ++m_optionCursor;
      m_optionKeyLatch = 1;
      p_PlaySFX(99, 1);
    }
  }
  if (m_optionCursor > lastRow) m_optionCursor = lastRow;
  if (m_optionCursor < 0) m_optionCursor = 0;

  // 8. Latches clear once everything is released.
  if (!ptr.down) m_optionTouchLatch = 0;
  bool anyKey = p_PlayKeyAll(99, 1) > 0;
  for (int c : {0, 3, 5, 8, 10, 11, 12, 13, 14, 15, 16, 17}) {
    anyKey = anyKey || p_PlayKeyAll(c, 1) > 0;
  }
  if (!anyKey) m_optionKeyLatch = 0;
  p_ResetDraw();
  return 0;
}
