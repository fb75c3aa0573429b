// Saved settings, badges and highscores: the text kept in the state file,
// the loader's recovery rules, the record of a finished game, and suspend.
//
// The text is one line of fields, each followed by "|":
//   0..24   the 25 setting slots, then their checksum (sum of i x slot i)
//   26..33  eight badge masks (bit j of mask g = badge 32g + j), then their sum
//   35..    105 score rows of 21 fields: ten (score, status-block entry)
//           pairs, then the row checksum (sum of (m+4) S + (k+m+3) T)
// A complete text is 2240 fields plus the empty one after the last "|".
// Rows 100..104 are written (from status entries 1000..1049 and 2000..2049,
// a quirk of the layout kept for compatibility) and never read back.
//
// Decisions:
//  - Every number is read with String::ToInt: at most 63 units, low byte of
//    each, C decimal conversion; a number out of the int range saturates in
//    strtol and keeps its low 32 bits. Texts we write never come near that.
//  - Checksums are 32-bit sums that wrap; they are computed in unsigned
//    arithmetic so that hostile values never overflow a signed int.
//  - Each block is trusted only when its checksum matches. A bad settings
//    block gives the defaults, a bad badge block clears every badge, a bad
//    row clears only that level; a truncated text keeps whole blocks only.
//  - A save that fails is reported on standard error and the game goes on;
//    the state file then still holds the previous save.
//  - Recording a game for a level outside 1..100 (which the menu never
//    starts) records nothing but still saves: the score table has no row
//    for it. A status that cannot go lower (INT_MIN) stays.
#include <climits>
#include <cstdio>
#include <string>

#include "game/globals.h"
#include "game/myapp.h"

namespace {

constexpr int kSettingSlots = 25;
constexpr int kBadgeMasks = 8;
constexpr int kScoreRowsWritten = 105;
constexpr int kScoreRowsRead = 100;
constexpr int kRowFields = 21;
constexpr int kStatusBase = 1000;

// Setting slots with meaning to the loader.
constexpr int kSlotSound = 5;
constexpr int kSlotPadX = 10;
constexpr int kSlotPadY = 11;
constexpr int kSlotPadSize = 12;
constexpr int kSlotOverscan = 14;

void AppendField(std::string& out, int value) {
  char buf[16];
  int n = std::snprintf(buf, sizeof buf, "%d|", value);
  out.append(buf, (size_t)n);
}

int Field(const Array<String>& fields, int i) { return fields[i].ToInt(); }

// A level counts as passed when completed (1) or failed three times or more.
bool Passed(int status) { return status == 1 || status <= -3; }

}  // namespace

// ---- Saving -----------------------------------------------------------------

int c_MyApp::p_Save() {
  std::string text;
  text.reserve(12 * 1024);

  unsigned sum = 0;
  for (int i = 0; i < kSettingSlots; ++i) {
    AppendField(text, m_settings[i]);
    sum += (unsigned)i * (unsigned)m_settings[i];
  }
  AppendField(text, (int)sum);

  sum = 0;
  for (int g = 0; g < kBadgeMasks; ++g) {
    unsigned mask = 0;
    for (int j = 0; j < 32; ++j) {
      if (m_badgeGot[32 * g + j]) mask |= 1u << j;
    }
    AppendField(text, (int)mask);
    sum += mask;
  }
  AppendField(text, (int)sum);

  for (int k = 0; k < kScoreRowsWritten; ++k) {
    unsigned check = 0;
    for (int m = 0; m < 10; ++m) {
      int s = m_scores[10 * k + m];
      int t = m_scores[kStatusBase + 10 * k + m];
      AppendField(text, s);
      AppendField(text, t);
      check += (unsigned)(m + 4) * (unsigned)s + (unsigned)(k + m + 3) * (unsigned)t;
    }
    AppendField(text, (int)check);
  }

  String state(text.data(), (int)text.size());
  if (rv_Quenmor_DebugMode == 1) rvPrint(state);
  const int result = rv_app_SaveState(state);
  if (result < 0) {
    // The host replaces the file whole or not at all, so the last good save
    // is still there; the player is told once per failed save and plays on.
    std::string where = rv_app__game->PathToFilePath(String(kStateFileName)).ToUtf8();
    std::fprintf(stderr,
                 "Tazmelo: could not write the saved game (settings, badges, highscores) to "
                 "%s; progress since the last good save is not stored\n",
                 where.c_str());
    std::fflush(stderr);
  }
  return result;
}

// ---- Loading ----------------------------------------------------------------

int c_MyApp::p_Load() {
  String text = rv_app_LoadState();
  if (rv_Quenmor_DebugMode == 1) rvPrint(text);
  Array<String> fields = text.Split(String("|"));
  const int count = fields.Length();

  // Settings: stored first, then checked.
  int badgeAt = 0;
  if (count >= kSettingSlots + 1) {
    unsigned sum = 0;
    for (int i = 0; i < kSettingSlots; ++i) {
      m_settings[i] = Field(fields, i);
      sum += (unsigned)i * (unsigned)m_settings[i];
    }
    if ((int)sum == Field(fields, kSettingSlots)) {
      rvPrint(String("Settings Loaded"));
    } else {
      rvPrint(String("Settings Checksum Invalid"));
      for (int i = 0; i < kSettingSlots; ++i) m_settings[i] = 0;
      m_settings[kSlotSound] = 1;
    }
    badgeAt = kSettingSlots + 1;
  }

  // Clamps apply whatever was read.
  if (m_settings[kSlotPadX] < 64) m_settings[kSlotPadX] = 64;
  if (m_settings[kSlotPadY] < 64) m_settings[kSlotPadY] = 64;
  if (m_settings[kSlotPadSize] < 8) m_settings[kSlotPadSize] = 10;
  if (m_settings[kSlotOverscan] < 1) m_settings[kSlotOverscan] = 64;
  if (rv_Quenmor_isOuya == 1) {
    rv_Quenmor_overscan = (float)m_settings[kSlotOverscan];
  } else {
    m_settings[kSlotOverscan] = 1;
    rv_Quenmor_overscan = 0;
  }

  // Badges.
  int rowAt = badgeAt;
  if (count > badgeAt + kBadgeMasks) {
    unsigned sum = 0;
    for (int g = 0; g < kBadgeMasks; ++g) {
      unsigned mask = (unsigned)Field(fields, badgeAt + g);
      for (int j = 0; j < 32; ++j) m_badgeGot[32 * g + j] = ((mask >> j) & 1u) != 0;
      sum += mask;
    }
    if ((int)sum == Field(fields, badgeAt + kBadgeMasks)) {
      rvPrint(String("Badges Loaded"));
    } else {
      rvPrint(String("Badge Checksum Invalid"));
      for (int i = 0; i < m_badgeGot.Length(); ++i) m_badgeGot[i] = false;
    }
    rowAt = badgeAt + kBadgeMasks + 1;
  }

  // Score rows: a row is read only when all 21 of its fields are present;
  // the first incomplete row ends the reading.
  for (int k = 0; k < kScoreRowsRead && rowAt + 20 < count; ++k, rowAt += kRowFields) {
    unsigned check = 0;
    for (int m = 0; m < 10; ++m) {
      int s = Field(fields, rowAt + 2 * m);
      int t = Field(fields, rowAt + 2 * m + 1);
      m_scores[10 * k + m] = s;
      m_scores[kStatusBase + 10 * k + m] = t;
      check += (unsigned)(m + 4) * (unsigned)s + (unsigned)(k + m + 3) * (unsigned)t;
    }
    if ((int)check != Field(fields, rowAt + 20)) {
      for (int m = 0; m < 10; ++m) {
        m_scores[10 * k + m] = 0;
        m_scores[kStatusBase + 10 * k + m] = 0;
      }
    }
  }

  // The menu selects the highest passed level; the next game plays the one
  // after it.
  m_menuLevelSel = 0;
  for (int level = 100; level >= 1; --level) {
    if (Passed(m_scores[kStatusBase + 10 * (level - 1)])) {
      m_menuLevelSel = level;
      break;
    }
  }
  m_levelListY = -32.0f * (float)m_menuLevelSel;

  rvPrint(String("Highscores Loaded"));
  return 0;
}

// ---- Recording a finished game ---------------------------------------------

int c_MyApp::p_LoadMenu() {
  if (m_level >= 1 && m_level <= 100) {
    const int b = 10 * (m_level - 1);
    // Strictly less: an equal score goes below the one already there.
    int slot = -1;
    for (int i = 0; i < 10; ++i) {
      if (m_scores[b + i] < m_score) {
        slot = i;
        break;
      }
    }
    if (slot >= 0) {
      for (int i = 9; i > slot; --i) m_scores[b + i] = m_scores[b + i - 1];
      m_scores[b + slot] = m_score;
    }

    const int old = m_scores[kStatusBase + b];
    int status = old > INT_MIN ? old - 1 : old;
    if (m_gameResult == 2) {
      status = 1;
      m_menuLevelSel += 1;
      m_levelListY = -32.0f * (float)m_menuLevelSel;
    }
    if (old == 1) status = 1;
    m_scores[kStatusBase + b] = status;
  }
  p_Save();
  return 0;
}

// ---- Suspend ------------------------------------------------------------------

int c_MyApp::p_OnSuspend() {
  if (rv_app__game) rv_app__game->SetKeyboardEnabled(false);
  for (int i = 0; i < 19; ++i) m_pad[i] = 0;
  rv_Quenmor_iCadeControls = 0;
  p_PauseForReturn((int)(rv_Quenmor_jscrh * 0.5f + 0.5f));  // rounded here
  rv_app_SetUpdateRate(5);
  p_Save();
  return 0;
}
