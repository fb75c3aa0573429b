// The pause menu and the console's quit prompt.
//
// Pause menu: runs instead of the game's step while m_paused is 1. A dimmed
// layer slides in with "PAUSED", a small drawing toy (two arms whose pen
// leaves a 102-point rainbow trail; up/down change the inner arm's length,
// left/right its speed) and three buttons: resume, quit the game, options.
// Keys move a cursor over the buttons; start/pause resumes.
//
// Quit prompt (mode 4, console only): the console's back button on the menu
// lands here instead of ending the program; one button quits, another
// returns to the menu.
//
// Decisions:
//  - The pointer is the mouse on this desktop build (see menu.cpp): a
//    button acts on a press inside it, so holding the button does not
//    repeat its sound every frame.
//  - The quit prompt's three ovals have radii 24, 16 and 8 (sizes 3, 2, 1).
#include <cmath>

#include "game/globals.h"
#include "game/myapp.h"

namespace {

constexpr int kTrailPoints = 102;
constexpr float kMaxSpeed = 128;  // inner arm, degrees per frame
constexpr int kSlotOverscan = 14;

float Rad(float degrees) { return degrees * 0.017453292519943295f; }
int Round(float v) { return (int)std::lround(v); }
float Clamp(float v, float lo, float hi) { return v < lo ? lo : (v > hi ? hi : v); }

}  // namespace

int c_MyApp::p_PauseMenu() {
  const float W = rv_Quenmor_jscrw, H = rv_Quenmor_jscrh;
  const Pointer ptr = p_Pointer();
  const bool landscape = H <= W;

  // 1. Dim layer.
  p_DoBG(-123, -123, -123, -123);
  p_SetCol(0, 0, 0, std::fabs((float)m_pauseY) / (H * 0.8f));
  p_Rect(0, 0, W, H);

  // 2. Slide in, or out and back to the game.
  if (m_pauseDir == 1) {
    if ((float)m_pauseY < H * 0.5f) m_pauseY += 24;
  } else if (m_pauseDir == -1) {
    if (m_pauseY < -63) {
      m_paused = 0;
    } else {
      m_pauseY -= 24;
      if (m_pauseY < -32) m_paused = 0;
    }
  }

  // 3. The drawing toy.
  {
    const float R = std::fmin(0.45f * H, 0.45f * (W - 96));
    const float cx = W * 0.5f + 96, cy = H * 0.5f;
    m_spiroA = std::fmod(m_spiroA + 1, 360.0f);
    m_spiroB = std::fmod(m_spiroB + m_spiroSpeed, 360.0f);
    m_spiroHue = std::fmod(m_spiroHue + 1.5f, 360.0f);
    if (p_PlayKeyAll(0, 1) > 0) m_spiroRadius -= 1;
    if (p_PlayKeyAll(8, 1) > 0) m_spiroRadius += 1;
    m_spiroRadius = Clamp(m_spiroRadius, 0, R);
    if (p_PlayKeyAll(3, 1) > 0) m_spiroSpeed -= 0.25f;
    if (p_PlayKeyAll(5, 1) > 0) m_spiroSpeed += 0.25f;
    m_spiroSpeed = Clamp(m_spiroSpeed, 0, kMaxSpeed);

    p_ResetDraw();
    p_SetCol(100, 255, 100, 0.8f);
    p_Text(W - 8, H - 8,
           String(Round(m_spiroRadius)) + String(":") + String(Round(m_spiroSpeed)), 2, 2);

    const float r = m_spiroRadius;
    const float jx = cx + (R - r) * std::sin(Rad(m_spiroA));
    const float jy = cy - (R - r) * std::cos(Rad(m_spiroA));
    m_spiroTrail[2 * kTrailPoints - 2] = jx + r * std::sin(Rad(m_spiroB));
    m_spiroTrail[2 * kTrailPoints - 1] = jy - r * std::cos(Rad(m_spiroB));

    p_ResetDraw();
    for (int i = 0; i < kTrailPoints - 1; ++i) {
      const float h = Rad(m_spiroHue + 2.0f * (float)i);
      const float fi = (float)i;
      p_SetCol((float)Round(Clamp(fi + fi * std::sin(h), 0, 255)),
               (float)Round(Clamp(fi + fi * std::cos(h), 0, 255)),
               (float)Round(Clamp(fi - fi * std::cos(h), 0, 255)), 1);
      const float x1 = m_spiroTrail[2 * i], y1 = m_spiroTrail[2 * i + 1];
      const float x2 = m_spiroTrail[2 * i + 2], y2 = m_spiroTrail[2 * i + 3];
      p_Line(x1, y1, x2, y2);
      p_Line(x1 - 0.5f, y1 - 0.5f, x2 - 0.5f, y2 - 0.5f);
    }
    for (int j = 0; j < 2 * kTrailPoints - 2; ++j) m_spiroTrail[j] = m_spiroTrail[j + 2];
  }

  // 4. Title.
  p_ResetDraw();
  p_SetSize(4);
  p_Text(W * 0.5f + 96, H * 0.5f, String("PAUSED"), 1, 1);

  // 5. Console: overscan.
  if (rv_Quenmor_isOuya == 1) {
    const float mid = W * 0.5f;
    int& slot = m_settings[kSlotOverscan];
    p_ResetDraw();
    p_SetSize(2);
    p_Text(mid, (float)m_pauseY - 150, String(u"\u00acU <      Overscan      > \u00acO"), 1, 1);
    p_SetCol(0, 128, 255, 0.5f);
    p_Rect(mid - 128, (float)m_pauseY - 154, 256, 9);
    p_SetCol(255, 255, 0, 0.75f);
    p_Rect((float)slot * 2.67f + mid - 132, (float)m_pauseY - 158, 8, 16);
    if (ptr.hit && m_inputUsed == 0 && std::fabs(ptr.x - mid) < 128 &&
        std::fabs(ptr.y - ((float)m_pauseY - 154)) < 8) {
      m_inputUsed = 1;
      p_PlaySFX(98, 1);
      if (rv_Quenmor_overscan > 1) slot = 1;
      if (rv_Quenmor_overscan < 32) slot = 96;
    }
    if (m_keyLock == 0) {
      if (p_PlayKeyAll(14, 1) > 0 && slot > 0) {
        slot -= 16;
        m_keyLock = 1;
      } else if (p_PlayKeyAll(15, 1) > 0 && slot < 96) {
        slot += 16;
        m_keyLock = 1;
      }
    }
    if (slot < 1) slot = 1;
    if (slot > 96) slot = 96;
    rv_Quenmor_overscan = (float)slot;
  }

  // 6. Buttons.
  const float x0 = (float)Round(64 - (H * 0.5f - (float)m_pauseY));
  const float resumeX = x0, resumeY = 196;
  const float quitX = landscape ? x0 : (float)Round(W * 0.5f - 96);
  const float quitY = landscape ? 96 : (float)m_pauseY - 96;
  const float gearX = landscape ? x0 : (float)Round(W * 0.5f + 96);
  const float gearY = landscape ? 296 : (float)m_pauseY - 96;
  const float iconHalfW = (float)m_imageInfo[3 * 97] * m_imageScale * 2 * 0.5f;
  const float iconHalfH = (float)m_imageInfo[3 * 97 + 1] * m_imageScale * 2 * 0.5f;
  auto pressed = [&](float bx, float by) {
    return ptr.hit && std::fabs(ptr.x - bx) < iconHalfW && std::fabs(ptr.y - by) < iconHalfH;
  };
  auto resume = [&] {
    m_pauseDir = -1;
    p_PlaySFX(98, 0.5f);
  };
  auto quitGame = [&] {
    m_paused = 0;
    m_pauseDir = -1;
    m_pauseY = -64;
    m_gameOverTime = 1;
    m_gameResult = -1;
    p_PlaySFX(98, 0.5f, 0.5f, 0);
  };

  p_ResetDraw();
  p_SetSize(2);
  bool resumeHit = p_Button(97, resumeX, resumeY, 3) != 0 || pressed(resumeX, resumeY);
  if (resumeHit && m_inputUsed == 0) {
    m_inputUsed = 1;
    resume();
  }
  bool quitHit = p_Button(97, quitX, quitY, 1) != 0 || pressed(quitX, quitY);
  if (quitHit && m_inputUsed == 0) {
    m_inputUsed = 1;
    quitGame();
  }

  if (m_optionsOpen == 0) m_gearAngle = std::fmod(m_gearAngle + 0.2f, 360.0f);
  {
    const float a = m_gearAngle;
    p_SetRot(0.66f * a);
    p_DrawImg(95, gearX, gearY, 8);
    p_SetRot(-0.33f * a);
    p_DrawImg(95, gearX, gearY, 9);
    p_SetRot(-a);
    p_DrawImg(95, gearX, gearY, 10);
    p_SetRot(0);
    const float hw = (float)m_imageInfo[3 * 95] * m_imageScale * 2 * 0.5f;
    const float hh = (float)m_imageInfo[3 * 95 + 1] * m_imageScale * 2 * 0.5f;
    bool touched = m_touchDown > 0 && std::fabs((float)m_touchX[0] - gearX) < hw &&
                   std::fabs((float)m_touchY[0] - gearY) < hh;
    touched = touched || (ptr.hit && std::fabs(ptr.x - gearX) < hw &&
                          std::fabs(ptr.y - gearY) < hh);
    if (touched && m_inputUsed == 0) {
      m_optionsOpen = 1;
      m_inputUsed = 1;
      p_PlaySFX(99, 1);
    }
  }

  // 7. Keyboard cursor.
  {
    const float mx = m_pauseCursor == -1 ? quitX : (m_pauseCursor == 1 ? gearX : resumeX);
    const float my = m_pauseCursor == -1 ? quitY : (m_pauseCursor == 1 ? gearY : resumeY);
    p_ResetDraw();
    p_SetSize(2.5f);
    p_SetCol(255, 255, 100);
    p_DrawImg(97, mx, my, 6);
    if (m_keyLock == 0) {
      const bool button = p_PlayKeyAll(10, 1) > 0;
      const bool up = p_PlayKeyAll(0, 1) > 0;
      const bool down = p_PlayKeyAll(8, 1) > 0;
      if (m_pauseCursor == 0) {
        if (button) {
          m_keyLock = 1;
          resume();
        } else if (up) {
          m_keyLock = 1;
          m_pauseCursor = -1;
          p_PlaySFX(99, 0.8f, 0.5f, 0);
        } else if (down) {
          m_keyLock = 1;
          m_pauseCursor = 1;
          p_PlaySFX(99, 1.2f, 0.5f, 0);
        }
      } else if (m_pauseCursor == -1) {
        if (button) {
          m_keyLock = 1;
          quitGame();
        } else if (down) {
          m_keyLock = 1;
          m_pauseCursor = 0;
          p_PlaySFX(99, 0.8f, 0.5f, 0);
        }
      } else {
        if (button) {
          m_keyLock = 1;
          m_optionsOpen = 1;
          p_PlaySFX(98, 0.5f);
        } else if (up) {
          m_keyLock = 1;
          m_pauseCursor = 0;
          p_PlaySFX(99, 0.8f, 0.5f, 0);
        }
      }
    }
  }

  // 8. Start/pause resumes.
  if (m_keyLock == 0 && p_PlayKeyAll(99, 1) > 0) {
    m_keyLock = 1;
    m_pauseDir = -1;
    p_PlaySFX(98, 0.5f);
  }
  p_ResetDraw();
  return 0;
}

int c_MyApp::p_OuyaQuit() {
  const float W = rv_Quenmor_jscrw, H = rv_Quenmor_jscrh;

  // 1. A fresh frame: one dark blue box.
  p_CLS2D(220, 220, 200, -1);
  p_SetCol(0, 0, 128, 1);
  p_Rect(32, 32, W - 64, H - 64);

  // 2. Three red ovals in the corner.
  p_SetCol(255, 0, 0, 0.4f);
  p_Oval(W - 48, H - 16, 24, 24);
  p_Oval(W - 48, H - 16, 16, 16);
  p_Oval(W - 49, H - 17, 8, 8);

  // 3. The explanation.
  p_ResetDraw();
  float y = (float)Round(H * 0.3f);
  p_SetSize(3);
  p_Text(64, y, String("Unexpected Quit"), 0, 1);
  p_SetSize(2);
  const struct {
    float step;
    const char16_t* text;
  } lines[] = {{36, u"The player is trying to quit"},
               {20, u"without using the lovely"},
               {20, u"quit button on the Menu."},
               {46, u"What should I do?"},
               {38, u"Hit \u00acK to Quit"},
               {20, u"or \u00acJ to Ignore"}};
  for (const auto& line : lines) {
    y += line.step;
    p_Text(64, y, String(line.text), 0, 1);
  }

  // 4. Ignore wins over quit.
  if (m_inputUsed == 0 && m_keyLock == 0) {
    if (p_PlayKeyAll(10, 1) > 0) {
      m_mode = 1;
      m_keyLock = 1;
      m_inputUsed = 1;
    } else if (p_PlayKeyAll(11, 1) > 0 || p_PlayKeyAll(12, 1) > 0 ||
               p_PlayKeyAll(99, 1) > 0) {
      rvError(String());
    }
  }
  return 0;
}
