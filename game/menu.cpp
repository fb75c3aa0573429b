// The main menu (mode 1) and its credits panel.
//
// The menu is a ring of level buttons arcing around the bottom-left corner,
// an options gear at the ring's centre, the logo, and a side panel at the
// right edge with the selected level's highscores (the credits when it is
// opened). Three areas can hold the focus: 0 the gear, 1 the ring, 2 the
// panel. Everything is drawn through the draw list; nothing here keeps
// state outside c_MyApp's fields.
//
// Sections: [menu] [credits]
//
// Decisions:
//  - The pointer is the mouse on this desktop build (touch points when a
//    touch source exists): its position is m_mouseX/m_mouseY, it is "down"
//    while the left button is held and "hits" in the frame the button goes
//    down. So a click acts on the press, and a drag that leaves an item
//    never acts on it.
//  - Held up/down steps the ring after 30, 18, 6, 3, 3, ... frames: the
//    key latch is released when the repeat countdown reaches 0.
//  - Ring items show their item number k (level k + 1).
//  - The repeat countdown and delay live in m_player entries 21 and 22,
//    which only the menu uses while no game runs.
#include <cmath>

#include "game/globals.h"
#include "game/myapp.h"

namespace {

bool InBox(const c_MyApp::Pointer& p, float cx, float cy, float w, float h) {
  return std::fabs(p.x - cx) < w * 0.5f && std::fabs(p.y - cy) < h * 0.5f;
}

// ---- Tunables -----------------------------------------------------------------

constexpr int kLevels = 100;
constexpr float kItemStep = 32;     // ring units per item (degrees)
constexpr int kRepeatCountdown = 21;  // m_player entries of the key repeat
constexpr int kRepeatDelay = 22;
constexpr float kFirstDelay = 30;   // frames before the first repeat
constexpr float kDelayShrink = 12;  // each repeat comes this much sooner...
constexpr float kMinDelay = 3;      // ...down to this
constexpr int kStatusBase = 1000;

// The eleven orbiting circles' colours, as fractions of 255.
constexpr float kCircleColours[11][3] = {
    {0.3f, 0.3f, 0.3f}, {1, 0.1f, 0.1f},   {1, 0.5f, 0.1f}, {1, 1, 0.1f},
    {0.1f, 1, 0.1f},    {0.1f, 1, 1},      {0.1f, 0.1f, 1}, {0.5f, 0.1f, 1},
    {1, 0.1f, 0.5f},    {1, 1, 1},         {0.3f, 0.3f, 0.3f}};

float Rad(float degrees) { return degrees * 0.017453292519943295f; }
int Round(float v) { return (int)std::lround(v); }

bool Passed(int status) { return status == 1 || status <= -3; }

}  // namespace

// ---- [menu] -------------------------------------------------------------------

int c_MyApp::p_Menu() {
  const float W = rv_Quenmor_jscrw, H = rv_Quenmor_jscrh;
  const bool console = rv_Quenmor_isOuya == 1;
  const int lowest = console ? -1 : 0;  // the console's quit item is -1
  Pointer ptr = p_Pointer();
  bool activate = false;

  // 1. Completing level 100 can push the selection past the last item.
  if (m_menuLevelSel > kLevels) {
    m_menuLevelSel = kLevels;
    m_levelListY = -kItemStep * kLevels;
  }

  // 2, 3. Background and intro slide.
  p_DoBG(20, 80, 20, -123);
  if (m_menuSlide < 0) ++m_menuSlide;
  const float slide = (float)m_menuSlide;
  const float pw = m_panelX + 140;

  // 4. Back: ends the program on the desktop; the console asks first.
  if (m_keyLock == 0 && m_inputUsed == 0) {
    if (!console) {
      if (p_PlayKeyAll(99, 1) > 0) rvError(String());
    } else if (p_PlayKeyAll(98, 1) > 0 || rv_input_KeyHit(27) > 0) {
      m_mode = 4;
      m_keyLock = 1;
      m_inputUsed = 1;
    }
  }
  if (m_inputUsed == 0) m_tapLock = 0;

  const bool optionsOpen = m_optionsOpen != 0;
  const bool nothingOpen = m_optionsOpen == 0 && m_panelOpen == 0;

  // 5. Logo.
  p_ResetDraw();
  p_SetSize(1.5f);
  p_DrawImg(98, (W - pw) * 0.5f, slide * 12 + 115, 0);

  // 6. Side panel; hovering it gives it the focus.
  const float px = W - pw - slide * 8;
  const bool overPanel = ptr.x >= px && ptr.y >= 0 && ptr.y < H;
  p_ResetDraw();
  p_SetCol(255, 255, 255, m_menuFocus == 2 ? 1.0f : 0.2f);
  p_Rect(px - 2, -128, 3, H + 128);
  p_SetCol(0, 0, 0, m_menuFocus == 2 ? 0.75f : 0.45f);
  p_Rect(px, -128, pw + 32, H + 128);
  if (overPanel && m_menuFocus != 2 && m_keyLock == 0 && m_inputUsed == 0) {
    p_PlaySFX(99, 1);
    m_menuFocus = 2;
    m_keyLock = 1;
    m_inputUsed = 1;
  }

  // 7. Play button, at the panel's bottom (invisible but active while the
  // ring lacks the focus).
  const float playX = W - pw * 0.5f, playY = H - 48;
  p_ResetDraw();
  p_SetSize(3);
  p_SetCol(100, 255, 100, m_menuFocus == 1 && !overPanel ? 0.5f : 0.0f);
  p_DrawImg(97, playX, playY, 3);
  if (ptr.hit && InBox(ptr, playX, playY, 128, 128) && m_keyLock == 0 && m_inputUsed == 0 &&
      nothingOpen) {
    m_menuFocus = 1;
    m_inputUsed = 1;
    p_PlaySFX(98, 1);
    activate = true;
  }

  // 8. A click on the focused panel opens the credits.
  if (ptr.hit && overPanel && m_menuFocus == 2 && m_keyLock == 0 && m_inputUsed == 0 &&
      nothingOpen) {
    p_PlaySFX(99, 1);
    m_keyLock = 1;
    m_inputUsed = 1;
    activate = true;
  }

  // 9. Highscores of the selected level, as many as fit (not under options).
  if (!optionsOpen) {
    const int cell = m_imageInfo[3 * m_fontSlot + 1];
    const int rowH = Round((float)cell * 1.5f);
    const int avail = Round((H - 90) - H * 0.5f);
    int n = rowH > 0 ? (int)std::floor((float)avail / (float)rowH) : 1;
    if (n < 1) n = 1;
    if (n > 10) n = 10;
    const int level = m_level >= 1 && m_level <= kLevels ? m_level : 1;
    String text = n == 1 ? String("Highscore") : String("Top ") + String(n);
    for (int i = 0; i < n; ++i) {
      text = text + String("\\n") + p_rstr(11, m_scores[10 * (level - 1) + i], String(" "));
    }
    p_ResetDraw();
    p_SetSize(1.5f);
    p_SetCol(255, 200, 100);
    p_Text(W - pw - slide * 4 + 20, 60, text, 0, 0);
  }

  // 10. Ring motion: the spin decays; the shown position eases to the target.
  if (m_ringSpin != 0) {
    m_levelListY += m_ringSpin;
    m_ringSpin *= 0.75f;
    if (std::fabs(m_ringSpin) < 1) m_ringSpin = 0;
  }
  if (m_ringPos != m_levelListY) {
    m_ringPos += (m_levelListY - m_ringPos) * 0.125f;
    if (std::fabs(m_levelListY - m_ringPos) < 0.5f) m_ringPos = m_levelListY;
  }

  // 11. Ring and gear.
  if (nothingOpen) {
    const float cx = (float)Round(slide * 12 + 38);
    const float cy = (float)Round(H - 64 - slide * 8);

    // Gear.
    if (m_menuFocus == 0) m_gearAngle = std::fmod(m_gearAngle + 0.3f, 360.0f);
    const float a = m_gearAngle;
    p_ResetDraw();
    p_SetSize(0.5f);
    p_Alpha(m_menuFocus == 0 ? 0.8f : 0.25f);
    p_DrawImg(85, cx, cy, 1);
    p_SetSize(1.5f);
    p_SetRot(-a);
    p_DrawImg(95, cx, cy, 8);
    p_SetRot(2 * a);
    p_DrawImg(95, cx, cy, 9);
    p_SetRot(-4 * a);
    p_DrawImg(95, cx, cy, 10);
    if (ptr.hit && InBox(ptr, cx, cy, 64, 64) && m_keyLock == 0 && m_inputUsed == 0) {
      m_optionsOpen = 1;
      m_inputUsed = 1;
      p_PlaySFX(99, 1);
      m_menuFocus = 0;
    }

    // Ring background.
    p_ResetDraw();
    p_SetSize(1.5625f);
    p_SetRot(-m_ringPos);
    p_Alpha(m_menuFocus == 1 ? 0.8f : 0.25f);
    p_DrawImg(85, cx, cy, 3);

    // Dragging spins the ring; a fast drag is not a click.
    if (!ptr.down) {
      m_dragX = -1;
    } else if (InBox(ptr, cx, cy, 500, 500) && !InBox(ptr, cx, cy, 64, 64) &&
               m_inputUsed <= 0) {
      if (m_dragX == -1) {
        m_dragX = (int)ptr.x;
        m_dragY = (int)ptr.y;
      } else {
        const float d = (float)(m_dragX - (int)ptr.x) + (float)(m_dragY - (int)ptr.y);
        const float impulse = d * 0.25f;
        m_ringSpin -= impulse;
        if (m_ringSpin < -40) m_ringSpin = -40;
        if (m_ringSpin > 40) m_ringSpin = 40;
        if (std::fabs(impulse) > 1) {
          m_keyLock = -1;
          m_inputUsed = -1;
        }
        m_menuFocus = 1;
        m_dragX = (int)ptr.x;
        m_dragY = (int)ptr.y;
      }
    }

    // Items around the selection.
    const bool settled = std::fabs(m_ringPos - m_levelListY) < 2;
    const int first = m_menuLevelSel - 3, last = m_menuLevelSel + 3;
    for (int k = first; k <= last; ++k) {
      if (k >= kLevels || k < lowest) continue;
      const float t = (float)k * kItemStep + 48 + m_ringPos;
      const float off = std::fabs(t - 45);
      const float bulge = off <= 45 ? (45 - off) * 1.5f : 0;
      const float r = 116 + bulge;
      const float ix = cx + r * std::sin(Rad(t));
      const float iy = cy - r * std::cos(Rad(t));

      // While spinning: bounce at the ends; the item passing the top
      // becomes the selection.
      if (std::fabs(m_ringSpin) > 0.05f) {
        if (k == kLevels - 1 && (t < 30 || t > 200)) m_ringSpin = 4;
        if (k == 0 && t > 60 && t < 200) m_ringSpin = -4;
        if (t > 30 && t < 60 && k != m_menuLevelSel &&
            !(m_tapLock && std::abs(k - m_menuLevelSel) == 1)) {
          m_menuLevelSel = k;
          p_PlaySFX(99, 1);
        }
      }

      // Locks follow the level status of the level before.
      bool locked = false;
      int frame = 0;
      if (k > 0) {
        int& before = m_scores[kStatusBase + 10 * (k - 1)];
        if (before > 1) before = 1;
        if (before < -3) before = -3;
        locked = !Passed(before);
      }
      const int status = k >= 0 ? m_scores[kStatusBase + 10 * k] : 0;
      if (locked) {
        frame = 2;
      } else if (status == 1) {
        frame = 1;
      }

      const bool selected = k == m_menuLevelSel;
      const float size = selected ? 1.75f : 0.75f;
      p_ResetDraw();
      p_Alpha(m_menuFocus == 1 ? 1.0f : 0.3f);
      if (k == -1) {
        p_SetSize(2);
        p_SetCol(255, 180, 180);
        p_DrawImg(97, ix, iy, 1);
      } else {
        p_SetSize(size);
        p_SetRot(-(t - 55) * 0.5f);
        p_DrawImg(95, ix, iy, frame);
        p_SetRot(0);
        p_SetSize(size * 1.5f);
        p_Text(ix, iy, String(k), 1, 1);
        const int fails = status <= -3 ? 3 : (status < 0 ? -status : 0);
        if (fails > 0) {
          p_SetCol(255, 90, 90);
          p_Text(ix, iy + 28, String("XXX").Slice(0, fails), 1, 1);
        }
      }

      // Taps: on the selection it starts; on another item it selects.
      if (ptr.hit && ptr.down && m_tapLock == 0 && settled && m_optionsOpen == 0 &&
          m_panelOpen == 0) {
        const float dx = ptr.x - ix, dy = ptr.y - iy;
        const float d2 = dx * dx + dy * dy;
        if (selected && d2 <= 2048 && m_inputUsed == 0) {
          m_menuFocus = 1;
          m_inputUsed = 1;
          p_PlaySFX(98, 1);
          activate = true;
        } else if (!selected && d2 <= 1352 && m_inputUsed <= 0) {
          m_menuLevelSel = k;
          m_menuFocus = 1;
          m_inputUsed = -1;
          m_tapLock = 1;
          m_levelListY = -kItemStep * (float)k;
          p_PlaySFX(99, 1);
        }
      }
    }
  }

  // 12. Keys.
  {
    float& countdown = m_player[kRepeatCountdown];
    float& delay = m_player[kRepeatDelay];
    const bool up = p_PlayKey(0, 1, 0) > 0, down = p_PlayKey(8, 1, 0) > 0;
    if (up || down) {
      countdown -= 1;
      if (countdown < 1) m_keyLock = 0;
    } else {
      countdown = 0;
      delay = kFirstDelay;
    }
    const bool free = m_keyLock == 0 && m_inputUsed == 0 && nothingOpen;
    if (m_menuFocus == 1 && free && countdown < 1 && (up || down)) {
      if (up && m_menuLevelSel > lowest) --m_menuLevelSel;
      if (!up && m_menuLevelSel < kLevels - 1) ++m_menuLevelSel;
      countdown = delay;
      delay = std::fmax(delay - kDelayShrink, kMinDelay);
      m_keyLock = 1;
      m_inputUsed = 1;
      p_PlaySFX(99, 1);
      m_levelListY = -kItemStep * (float)m_menuLevelSel;
    }
    if (m_keyLock == 0 && m_inputUsed == 0 && nothingOpen) {
      if (p_PlayKey(3, 1, 0) > 0) {
        if (m_menuFocus > 0) --m_menuFocus;
        p_PlaySFX(99, 1);
        m_keyLock = 1;
        m_inputUsed = 1;
      } else if (p_PlayKey(5, 1, 0) > 0) {
        if (m_menuFocus < 2) ++m_menuFocus;
        p_PlaySFX(99, 1);
        m_keyLock = 1;
        m_inputUsed = 1;
      }
    }
    if (m_keyLock == 0 && nothingOpen &&
        (p_PlayKey(10, 1, 0) > 0 || p_PlayKey(11, 1, 0) > 0 || p_PlayKey(12, 1, 0) > 0)) {
      p_PlaySFX(98, 1);
      m_keyLock = 1;
      activate = true;
    }
  }

  // 13. The level the next game plays.
  m_level = m_menuLevelSel + 1;
  if (m_level < 1) m_level = 1;
  if (m_level > kLevels) m_level = kLevels;

  // 14. Activation, by focus.
  if (activate && m_optionsOpen == 0 && m_panelOpen == 0) {
    if (m_menuFocus == 0) {
      m_optionsOpen = 1;
      m_keyLock = 1;
      m_inputUsed = 1;
      p_PlaySFX(99, 1);
    } else if (m_menuFocus == 1) {
      const int k = m_menuLevelSel;
      // k is at most 100 here (step 1); 100 stands past the last item and
      // replays level 100 once it is passed.
      const bool unlocked = k <= 0 || Passed(m_scores[kStatusBase + 10 * (k - 1)]);
      if (unlocked) {
        if (console && k == -1) rvError(String());
        if (ptr.down) {
          m_controlStyle = 2;
        } else {
          bool keyboard = false;
          for (int c = 10; c <= 15; ++c) keyboard = keyboard || p_PlayKey(c, 0, -1) > 0;
          m_controlStyle = keyboard ? 0 : 1;
        }
        m_keyLock = 1;
        m_inputUsed = 1;
        m_levelListY = -kItemStep * (float)m_menuLevelSel;
        m_mode = 11;
      }
    } else {
      m_panelOpen = 1;
      m_keyLock = 1;
      m_inputUsed = 1;
      p_PlaySFX(99, 1);
    }
  }

  // ---- [credits] ------------------------------------------------------------
  if (m_panelOpen == 1) {
    const float shiftX = W - pw;  // the panel's slide
    m_creditScroll -= 0.3f;
    if (p_PlayKeyAll(0, 1) > 0 || p_PlayKeyAll(8, 1) > 0) m_creditScroll -= 1.5f;
    if (m_creditScroll < -16) {
      m_creditScroll += 16;
      m_creditLine += 1;
    }
    const int lines = rv_Quenmor_CreditText.Length() - 1;
    if (lines > 0) {
      for (int i = -3; i <= 4; ++i) {
        int index = (m_creditLine + i) % lines;
        if (index < 0) index += lines;
        const float f = (16.0f * (float)i + m_creditScroll) / 40.0f;
        const float fade = std::fabs(f) - 0.3f;
        float alpha = 1, shift = 0;
        if (fade > 1) {
          alpha = 0;
          shift = 24;
        } else if (fade >= 0) {
          alpha = 1 - fade;
          shift = 24 * fade;
        }
        p_ResetDraw();
        p_Alpha(alpha);
        p_Text((W - 160) + shiftX, 16.0f * (float)i + H * 0.5f + 24 - shift + m_creditScroll,
               rv_Quenmor_CreditText[index], 0.8f, 0.8f);
      }
    }

    // Statistics.
    p_ResetDraw();
    const float sx = (W - 20) + shiftX;
    float y = 16;
    p_Text(sx, y, String("Debug Stats"), 2, 1);
    y += 16;
    p_Text(sx, y, String("Engine"), 2, 1);
    y += 12;
    p_Text(sx, y, String((int)W) + String("x") + String((int)H), 2, 1);
    y += 16;
    p_Text(sx, y, String("Screen"), 2, 1);
    y += 12;
    p_Text(sx, y, String(rv_app_DeviceWidth()) + String("x") + String(rv_app_DeviceHeight()), 2,
           1);
    y += 16;
    p_Text(sx, y, String("FPS"), 2, 1);
    y += 12;
    p_Text(sx, y, String(m_updateFpsAvg) + String(" : ") + String(m_renderFpsAvg), 2, 1);

    // Orbiting circles.
    const float ox = (W - 150) + shiftX, oy = H * 0.5f;
    for (int i = 0; i < 11; ++i) {
      const float ang = Rad((6.0f * (float)i - m_creditScroll / 16 + (float)m_creditLine) * 4);
      p_SetCol(kCircleColours[i][0] * 255, kCircleColours[i][1] * 255,
               kCircleColours[i][2] * 255, 0.3f);
      p_Oval(ox + 100 * std::sin(ang), oy - 100 * std::cos(ang), 16, 16);
    }

    // Buttons 1 to 4 or a click close the panel. A click closes on its
    // press, never while the button is merely held: the press that opened
    // the panel is still held in the frames after it.
    bool close = ptr.hit;
    for (int c = 10; c <= 13; ++c) close = close || p_PlayKeyAll(c, 1) > 0;
    if (close && m_keyLock == 0 && m_inputUsed == 0) {
      m_panelOpen = 0;
      p_PlaySFX(99, 1);
      m_keyLock = 1;
      m_inputUsed = 1;
    }

    // The framework's credit.
    p_ResetDraw();
    const float fx = W * 0.3f + shiftX, fy = H - 64;
    p_DrawImg(95, fx, fy, 12);
    p_Text(fx + 32, fy + 16, String("Coded in"), 0, 0);
    if (rv_Quenmor_CreditText.Length() > 9) {
      p_Text(fx + 32, fy + 16 + 28, rv_Quenmor_CreditText[9], 0, 0);
    }
  }
  p_ResetDraw();
  return 0;
}
