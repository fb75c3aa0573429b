// Badge texts, badge pop-ups and the score-board hooks.
//
// The game awards no badge: the flags are only saved, loaded and cleared,
// and nothing queues a pop-up. The pop-up drawing is complete so that a
// slot given a badge id and a timer of 1 slides in from the left edge,
// rests, and slides out again over 240 frames.
//
// Limits: 13 of the 15 pop-up slots are shown (slots 13 and 14 are never
// drawn or advanced); badge art exists for ids 0..63 only.
#include "game/globals.h"
#include "game/myapp.h"

namespace {

constexpr int kShownSlots = 13;
constexpr int kPopupWidth = 160;
constexpr int kPopupFrames = 240;  // a pop-up's whole life
constexpr int kBadgeImageSlot = 80;
constexpr int kBadgeImages = 64;

}  // namespace

String c_MyApp::p_BadgeID(int id) {
  if (id == 0) return String("Test Badge|This is a Test Badge which has no purpose.");
  return String("Odd Badge|This badge hasn't been defined!");
}

String c_MyApp::p_BadgeName(int id) { return p_BadgeID(id).Split(String("|"))[0]; }

String c_MyApp::p_BadgeDetail(int id) { return p_BadgeID(id).Split(String("|"))[1]; }

int c_MyApp::p_ShowBadges() {
  p_ResetDraw();
  for (int s = 0; s < kShownSlots; ++s) {
    if (m_badgeShowTime[s] <= 0) continue;
    const int t = ++m_badgeShowTime[s];
    // In over the first 10 frames, out over the last 10.
    int x = 16 * t - kPopupWidth;
    if (t > kPopupFrames - kPopupWidth / 16) x = 16 * (kPopupFrames - t) - kPopupWidth;
    if (x > 0) x = 0;
    const float y = rv_Quenmor_jscrh - 34.0f * (float)(s + 1);
    const int id = m_badgeShowId[s];

    p_SetCol(0, 0, 80, 0.8f);
    p_Rect((float)x, y, (float)kPopupWidth, 32);
    p_SetCol(255, 255, 255, 1);
    p_Text((float)x + 16, y + 4, p_BadgeName(id));
    if (id >= 0 && id < kBadgeImages) {
      p_SetSize(0.5f);
      p_DrawImg(kBadgeImageSlot, (float)(x + kPopupWidth - 16), y + 16, id);
      p_SetSize(1);
    }
    if (t > kPopupFrames) m_badgeShowTime[s] = 0;
  }
  return 0;
}

// This build has no score board or badge service.
int c_MyApp::p_GC_PostScore(int, int) { return 0; }
int c_MyApp::p_GC_Badges() { return 0; }
