// The game's saved text through the real state file: layout field by field,
// the round trip, each block's recovery rule, the record of a finished game,
// suspend, and hostile state files. Every test runs in a scratch directory
// of its own, so ./.kestrostate is the test's file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "game/globals.h"
#include "game/myapp.h"
#include "support/printers.h"
#include "support/process.h"

namespace {

// The base host: the state file is ./.kestrostate, written and read for
// real; saves are counted.
class StateHost : public RvGame {
 public:
  int saves = 0;
  int SaveState(String state) override {
    ++saves;
    return RvGame::SaveState(state);
  }
};

std::string JoinFields(const std::vector<std::string>& fields) {
  std::string out;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i) out.push_back('|');
    out += fields[i];
  }
  return out;
}

class SavedData : public ::testing::Test {
 protected:
  StateHost* host = nullptr;
  std::string oldDir;
  std::string dir;

  void SetUp() override {
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    oldDir = cwd;
    dir = testing_support::MakeTempDir("save");
    ASSERT_EQ(chdir(dir.c_str()), 0);
    rvInit();
    host = new StateHost();
    rv_app__game = host;
  }

  void TearDown() override {
    rv_app__game = nullptr;
    delete host;
    std::remove(".kestrostate");
    ASSERT_EQ(chdir(oldDir.c_str()), 0);
    rmdir(dir.c_str());
  }

  // Three game objects per process (each holds a 20 MB level grid), reset
  // to what start-up leaves before loading whenever a test takes one.
  static c_MyApp* App(int i) {
    static c_MyApp* pool[3] = {new c_MyApp(), new c_MyApp(), new c_MyApp()};
    c_MyApp* app = pool[i];
    for (int s = 0; s < 25; ++s) app->m_settings[s] = 0;
    app->m_settings[5] = 1;
    for (int b = 0; b < 256; ++b) app->m_badgeGot[b] = false;
    for (int e = 0; e < 5000; ++e) app->m_scores[e] = 0;
    for (int p = 0; p < 20; ++p) app->m_pad[p] = 0;
    app->m_menuLevelSel = 1;
    app->m_levelListY = -32;
    app->m_level = 2;
    app->m_score = app->m_gameResult = 0;
    app->m_mode = 1;
    app->m_paused = 0;
    app->m_pauseDir = -1;
    app->m_pauseY = -64;
    return app;
  }

  static std::string ReadState() { return testing_support::ReadFile(".kestrostate"); }
  static void WriteState(const std::string& bytes) {
    testing_support::WriteFile(".kestrostate", bytes);
  }

  // Loads into `app` and returns what was printed.
  static std::string Load(c_MyApp* app) {
    testing::internal::CaptureStdout();
    app->p_Load();
    return testing::internal::GetCapturedStdout();
  }
  static std::string Save(c_MyApp* app) {
    testing::internal::CaptureStdout();
    app->p_Save();
    return testing::internal::GetCapturedStdout();
  }

  static std::vector<int> Settings(c_MyApp* app) {
    return std::vector<int>(&app->m_settings[0], &app->m_settings[0] + 25);
  }
  static std::vector<bool> Badges(c_MyApp* app) {
    std::vector<bool> out;
    for (int i = 0; i < 256; ++i) out.push_back(app->m_badgeGot[i]);
    return out;
  }
  // Score and status blocks (the part of m_scores the text restores).
  static std::vector<int> Scores(c_MyApp* app) {
    return std::vector<int>(&app->m_scores[0], &app->m_scores[0] + 2000);
  }
  // `loaded` holds what `saved` wrote: the same settings, badges and scores.
  static void ExpectSameData(c_MyApp* loaded, c_MyApp* saved) {
    EXPECT_EQ(Settings(loaded), Settings(saved));
    EXPECT_EQ(Badges(loaded), Badges(saved));
    EXPECT_EQ(Scores(loaded), Scores(saved));
  }
  static std::vector<int> DefaultSettings() {
    std::vector<int> s(25, 0);
    s[5] = 1;
    s[10] = 64;
    s[11] = 64;
    s[12] = 10;
    s[14] = 1;
    return s;
  }
};

const char kAllLoaded[] = "Settings Loaded\nBadges Loaded\nHighscores Loaded\n";

// ---- Layout and round trip ---------------------------------------------------

TEST_F(SavedData, AFreshSaveHas2241FieldsAndLoadsBackToIdenticalArrays) {
  c_MyApp* first = App(0);
  EXPECT_EQ(Load(first), "Highscores Loaded\n");  // no file yet
  EXPECT_EQ(Save(first), "");                     // nothing printed off debug
  EXPECT_EQ(host->saves, 1);

  std::vector<std::string> fields = testing_support::SplitFields(ReadState());
  ASSERT_EQ(fields.size(), 2241u);
  EXPECT_EQ(fields.back(), "");
  // Settings after the clamps, their weighted sum, eight empty masks.
  EXPECT_EQ(fields[5], "1");
  EXPECT_EQ(fields[10], "64");
  EXPECT_EQ(fields[12], "10");
  EXPECT_EQ(fields[14], "1");
  EXPECT_EQ(fields[25], std::to_string(5 * 1 + 10 * 64 + 11 * 64 + 12 * 10 + 14 * 1));
  for (int i = 26; i <= 34; ++i) EXPECT_EQ(fields[i], "0") << i;

  c_MyApp* second = App(1);
  EXPECT_EQ(Load(second), kAllLoaded);
  ExpectSameData(second, first);
}

TEST_F(SavedData, ARichStateRoundTripsFieldByField) {
  c_MyApp* app = App(0);
  std::mt19937 rng(7);
  for (int i = 0; i < 25; ++i) app->m_settings[i] = (int)(rng() % 200) - 50;
  app->m_settings[10] = 300;  // above every clamp, so the load keeps them
  app->m_settings[11] = 200;
  app->m_settings[12] = 12;
  app->m_settings[14] = 1;
  for (int i = 0; i < 256; ++i) app->m_badgeGot[i] = rng() % 3 == 0;
  for (int i = 0; i < 1000; ++i) app->m_scores[i] = (int)(rng() % 100000);
  for (int i = 1000; i < 2000; ++i) app->m_scores[i] = (int)(rng() % 9) - 5;
  app->m_scores[7] = INT_MAX;  // checksums wrap
  app->m_scores[1007] = INT_MIN;
  Save(app);

  std::vector<std::string> fields = testing_support::SplitFields(ReadState());
  ASSERT_EQ(fields.size(), 2241u);
  for (int i = 0; i < 25; ++i) EXPECT_EQ(fields[i], std::to_string(app->m_settings[i]));
  // Row 3 starts at 35 + 3 x 21 and interleaves scores with status entries.
  EXPECT_EQ(fields[35 + 63], std::to_string(app->m_scores[30]));
  EXPECT_EQ(fields[35 + 63 + 1], std::to_string(app->m_scores[1030]));
  EXPECT_EQ(fields[35 + 63 + 19], std::to_string(app->m_scores[1039]));
  unsigned check = 0;
  for (int m = 0; m < 10; ++m) {
    check += (unsigned)(m + 4) * (unsigned)app->m_scores[30 + m] +
             (unsigned)(3 + m + 3) * (unsigned)app->m_scores[1030 + m];
  }
  EXPECT_EQ(fields[35 + 63 + 20], std::to_string((int)check));
  // Rows 100..104 repeat entries 1000..1049 as scores.
  EXPECT_EQ(fields[35 + 100 * 21], std::to_string(app->m_scores[1000]));

  c_MyApp* again = App(1);
  EXPECT_EQ(Load(again), kAllLoaded);
  ExpectSameData(again, app);
}

TEST_F(SavedData, DebugModePrintsTheTextOnSaveAndLoad) {
  c_MyApp* app = App(0);
  rv_Quenmor_DebugMode = 1;
  std::string printed = Save(app);
  std::string text = ReadState();
  EXPECT_EQ(printed, text + "\n");
  EXPECT_EQ(Load(app), text + "\n" + kAllLoaded);
  rv_Quenmor_DebugMode = 0;
}

// ---- Settings ---------------------------------------------------------------

TEST_F(SavedData, AnySettingChangedByHandGivesTheDefaultsButSlotZeroGoesUnnoticed) {
  c_MyApp* app = App(0);
  app->m_settings[5] = 3;
  app->m_settings[15] = 1;
  app->m_settings[10] = 100;
  Save(app);
  const std::vector<std::string> good = testing_support::SplitFields(ReadState());

  for (int slot = 0; slot < 25; ++slot) {
    std::vector<std::string> fields = good;
    fields[slot] = std::to_string(std::atoi(fields[slot].c_str()) + 1);
    WriteState(JoinFields(fields));
    c_MyApp* loaded = App(1);
    std::string printed = Load(loaded);
    if (slot == 0) {
      EXPECT_EQ(printed, kAllLoaded);
      EXPECT_EQ(loaded->m_settings[0], 1);
      EXPECT_EQ(loaded->m_settings[5], 3);
    } else {
      EXPECT_EQ(printed, "Settings Checksum Invalid\nBadges Loaded\nHighscores Loaded\n")
          << "slot " << slot;
      EXPECT_EQ(Settings(loaded), DefaultSettings()) << "slot " << slot;
    }
  }
}

TEST_F(SavedData, ClampsApplyToLoadedSettingsAndOverscanFollowsTheConsoleFlag) {
  c_MyApp* app = App(0);
  app->m_settings[10] = 10;
  app->m_settings[11] = 63;
  app->m_settings[12] = 7;
  app->m_settings[14] = 0;
  Save(app);

  c_MyApp* desk = App(1);
  rv_Quenmor_overscan = 5;
  Load(desk);
  EXPECT_EQ(desk->m_settings[10], 64);
  EXPECT_EQ(desk->m_settings[11], 64);
  EXPECT_EQ(desk->m_settings[12], 10);
  EXPECT_EQ(desk->m_settings[14], 1);
  EXPECT_EQ(rv_Quenmor_overscan, 0.0f);

  c_MyApp* console = App(2);
  rv_Quenmor_isOuya = 1;
  Load(console);
  EXPECT_EQ(console->m_settings[14], 64);
  EXPECT_EQ(rv_Quenmor_overscan, 64.0f);
  console->m_settings[14] = 40;
  Save(console);
  Load(console);
  EXPECT_EQ(rv_Quenmor_overscan, 40.0f);
  rv_Quenmor_isOuya = 0;
}

// ---- Badges ---------------------------------------------------------------------

TEST_F(SavedData, ABadgeMaskWithBit31IsNegativeAndRoundTrips) {
  c_MyApp* app = App(0);
  app->m_badgeGot[31] = true;   // mask 0, bit 31
  app->m_badgeGot[32] = true;   // mask 1, bit 0
  app->m_badgeGot[255] = true;  // mask 7, bit 31
  app->m_badgeGot[254] = true;
  Save(app);
  std::vector<std::string> fields = testing_support::SplitFields(ReadState());
  EXPECT_EQ(fields[26], "-2147483648");
  EXPECT_EQ(fields[27], "1");
  EXPECT_EQ(fields[33], "-1073741824");
  // 0x80000000 + 1 + 0xC0000000 wraps to 0x40000001.
  EXPECT_EQ(fields[34], std::to_string(0x40000001));

  c_MyApp* loaded = App(1);
  EXPECT_EQ(Load(loaded), kAllLoaded);
  EXPECT_EQ(Badges(loaded), Badges(app));
}

TEST_F(SavedData, ABadBadgeChecksumClearsEveryBadge) {
  c_MyApp* app = App(0);
  app->m_badgeGot[3] = true;
  app->m_scores[0] = 55;
  Save(app);
  std::vector<std::string> fields = testing_support::SplitFields(ReadState());
  fields[28] = "4";  // a badge nobody earned
  WriteState(JoinFields(fields));

  c_MyApp* loaded = App(1);
  loaded->m_badgeGot[200] = true;  // cleared too: every flag goes
  EXPECT_EQ(Load(loaded), "Settings Loaded\nBadge Checksum Invalid\nHighscores Loaded\n");
  EXPECT_EQ(Badges(loaded), std::vector<bool>(256, false));
  EXPECT_EQ(loaded->m_scores[0], 55);
}

// ---- Score rows -------------------------------------------------------------------

TEST_F(SavedData, ABadRowChecksumClearsOnlyThatRow) {
  c_MyApp* app = App(0);
  for (int k = 2; k <= 4; ++k) {
    for (int m = 0; m < 10; ++m) app->m_scores[10 * k + m] = 1000 - m;
    app->m_scores[1000 + 10 * k] = -2;
  }
  Save(app);
  std::vector<std::string> fields = testing_support::SplitFields(ReadState());
  fields[35 + 3 * 21 + 4] = "999999";  // a score of row 3 raised by hand
  WriteState(JoinFields(fields));

  c_MyApp* loaded = App(1);
  EXPECT_EQ(Load(loaded), kAllLoaded);  // no message for a row
  for (int m = 0; m < 10; ++m) {
    EXPECT_EQ(loaded->m_scores[30 + m], 0);
    EXPECT_EQ(loaded->m_scores[1030 + m], 0);
    EXPECT_EQ(loaded->m_scores[20 + m], 1000 - m);
    EXPECT_EQ(loaded->m_scores[40 + m], 1000 - m);
  }
  EXPECT_EQ(loaded->m_scores[1020], -2);
  EXPECT_EQ(loaded->m_scores[1040], -2);
}

TEST_F(SavedData, ATruncatedTextKeepsTheCompleteBlocks) {
  c_MyApp* app = App(0);
  app->m_settings[5] = 2;
  app->m_badgeGot[9] = true;
  for (int k = 0; k < 100; ++k) app->m_scores[10 * k] = 100 + k;
  Save(app);
  const std::string full = ReadState();
  const std::vector<std::string> fields = testing_support::SplitFields(full);

  // Cut in the middle of row 10: rows 0..9 load, the rest of memory stays.
  std::vector<std::string> cut(fields.begin(), fields.begin() + 35 + 10 * 21 + 7);
  WriteState(JoinFields(cut));
  c_MyApp* loaded = App(1);
  for (int k = 0; k < 100; ++k) loaded->m_scores[10 * k + 1] = 7;  // memory before the load
  EXPECT_EQ(Load(loaded), kAllLoaded);
  EXPECT_EQ(loaded->m_settings[5], 2);
  EXPECT_TRUE(loaded->m_badgeGot[9]);
  for (int k = 0; k < 10; ++k) {
    EXPECT_EQ(loaded->m_scores[10 * k], 100 + k);
    EXPECT_EQ(loaded->m_scores[10 * k + 1], 0);  // overwritten by the row
  }
  for (int k = 10; k < 100; ++k) {
    EXPECT_EQ(loaded->m_scores[10 * k], 0);
    EXPECT_EQ(loaded->m_scores[10 * k + 1], 7);  // untouched
  }

  // Cut inside the badge record: settings only; the flags stay as they were.
  cut.assign(fields.begin(), fields.begin() + 30);
  WriteState(JoinFields(cut));
  loaded = App(1);
  loaded->m_badgeGot[100] = true;
  EXPECT_EQ(Load(loaded), "Settings Loaded\nHighscores Loaded\n");
  EXPECT_EQ(loaded->m_settings[5], 2);
  EXPECT_TRUE(loaded->m_badgeGot[100]);
  EXPECT_FALSE(loaded->m_badgeGot[9]);

  // Fewer than 26 fields: the badge record is looked for at the start.
  WriteState("0|0|0|0|0|0|0|0|0|");  // eight zero masks and a zero sum
  loaded = App(1);
  loaded->m_settings[5] = 3;
  loaded->m_badgeGot[4] = true;
  EXPECT_EQ(Load(loaded), "Badges Loaded\nHighscores Loaded\n");
  EXPECT_EQ(loaded->m_settings[5], 3);
  EXPECT_FALSE(loaded->m_badgeGot[4]);
}

TEST_F(SavedData, AnEmptyOrMissingFilePrintsOnlyHighscoresLoadedAndAppliesTheClamps) {
  for (bool present : {false, true}) {
    if (present) WriteState("");
    c_MyApp* app = App(0);
    rv_Quenmor_overscan = 3;
    EXPECT_EQ(Load(app), "Highscores Loaded\n");
    EXPECT_EQ(Settings(app), DefaultSettings());
    EXPECT_EQ(rv_Quenmor_overscan, 0.0f);
    EXPECT_EQ(app->m_menuLevelSel, 0);
    EXPECT_EQ(app->m_levelListY, 0.0f);
    EXPECT_EQ(Scores(app), std::vector<int>(2000, 0));
  }
}

// ---- Recording a finished game -----------------------------------------------

TEST_F(SavedData, ScoresAreInsertedBelowEqualOnesAndZeroIsNeverInserted) {
  c_MyApp* app = App(0);
  app->m_level = 4;
  app->m_gameResult = 1;
  app->m_score = 0;
  app->p_LoadMenu();
  EXPECT_EQ(std::vector<int>(&app->m_scores[30], &app->m_scores[40]), std::vector<int>(10, 0));
  EXPECT_EQ(host->saves, 1);  // saved even when nothing was inserted

  for (int score : {50, 80, 50, 80, 10}) {
    app->m_score = score;
    app->p_LoadMenu();
  }
  EXPECT_EQ(std::vector<int>(&app->m_scores[30], &app->m_scores[36]),
            (std::vector<int>{80, 80, 50, 50, 10, 0}));

  // A full row drops its tenth score; a score below all ten is not kept.
  for (int i = 0; i < 10; ++i) app->m_scores[30 + i] = 100 - 10 * i;
  app->m_score = 100;  // equal to the first: goes second
  app->p_LoadMenu();
  EXPECT_EQ(std::vector<int>(&app->m_scores[30], &app->m_scores[40]),
            (std::vector<int>{100, 100, 90, 80, 70, 60, 50, 40, 30, 20}));
  app->m_score = 5;
  app->p_LoadMenu();
  EXPECT_EQ(app->m_scores[39], 20);

  // What was recorded is in the file.
  c_MyApp* loaded = App(1);
  Load(loaded);
  EXPECT_EQ(loaded->m_scores[31], 100);
}

TEST_F(SavedData, FailingLevelSevenThreeTimesMakesItPassedAndTheNextLoadSelectsIt) {
  c_MyApp* app = App(0);
  Load(app);
  app->m_level = 7;
  app->m_gameResult = 1;
  app->m_score = 0;
  int statuses[3];
  for (int i = 0; i < 3; ++i) {
    app->p_LoadMenu();
    statuses[i] = app->m_scores[1060];
  }
  EXPECT_EQ(statuses[0], -1);
  EXPECT_EQ(statuses[1], -2);
  EXPECT_EQ(statuses[2], -3);

  c_MyApp* loaded = App(1);
  Load(loaded);
  EXPECT_EQ(loaded->m_menuLevelSel, 7);  // the ring item of level 8
  EXPECT_EQ(loaded->m_levelListY, -224.0f);

  // Two failures are not enough.
  app->m_scores[1060] = 0;
  app->p_LoadMenu();
  app->p_LoadMenu();
  loaded = App(1);
  Load(loaded);
  EXPECT_EQ(loaded->m_menuLevelSel, 0);
}

TEST_F(SavedData, CompletingALevelSetsStatusOneAndALaterFailureKeepsIt) {
  c_MyApp* app = App(0);
  app->m_menuLevelSel = 2;
  app->m_level = 3;
  app->m_scores[1020] = -2;
  app->m_gameResult = 2;
  app->m_score = 40;
  app->p_LoadMenu();
  EXPECT_EQ(app->m_scores[1020], 1);
  EXPECT_EQ(app->m_menuLevelSel, 3);
  EXPECT_EQ(app->m_levelListY, -96.0f);

  app->m_gameResult = 1;
  app->p_LoadMenu();
  EXPECT_EQ(app->m_scores[1020], 1);
  EXPECT_EQ(app->m_menuLevelSel, 3);
  app->m_gameResult = -1;  // quit from the pause menu counts as a failure
  app->p_LoadMenu();
  EXPECT_EQ(app->m_scores[1020], 1);

  c_MyApp* loaded = App(1);
  Load(loaded);
  EXPECT_EQ(loaded->m_scores[1020], 1);
  EXPECT_EQ(loaded->m_menuLevelSel, 3);
  EXPECT_EQ(loaded->m_scores[20], 40);
}

TEST_F(SavedData, RecordingNeverWritesOutsideTheLevelsRow) {
  c_MyApp* app = App(0);
  std::vector<int> before = Scores(app);
  for (int level : {0, -5, 101, 100000}) {
    app->m_level = level;
    app->m_score = 99;
    app->m_gameResult = 2;
    app->p_LoadMenu();
  }
  EXPECT_EQ(Scores(app), before);
  EXPECT_EQ(host->saves, 4);

  // The lowest status there is stays where it is.
  app->m_level = 100;
  app->m_gameResult = 1;
  app->m_scores[1990] = INT_MIN;
  app->p_LoadMenu();
  EXPECT_EQ(app->m_scores[1990], INT_MIN);
}

// ---- Suspend ------------------------------------------------------------------------

TEST_F(SavedData, SuspendSavesSlowsTheUpdatesAndPausesARunningGame) {
  c_MyApp* app = App(0);
  host->SetKeyboardEnabled(true);
  rv_Quenmor_iCadeControls = 1;
  for (int i = 0; i < 20; ++i) app->m_pad[i] = 2;
  app->m_mode = 1;
  app->m_paused = 1;
  app->m_pauseDir = -1;
  app->m_pauseY = -64;
  app->p_OnSuspend();
  EXPECT_EQ(host->saves, 1);
  EXPECT_EQ(host->UpdateRate(), 5);
  EXPECT_FALSE(host->KeyboardEnabled());
  EXPECT_EQ(rv_Quenmor_iCadeControls, 0);
  for (int i = 0; i < 19; ++i) EXPECT_EQ(app->m_pad[i], 0) << i;
  EXPECT_EQ(app->m_pad[19], 2);
  EXPECT_EQ(app->m_paused, 0);
  EXPECT_EQ(app->m_pauseDir, 0);
  EXPECT_EQ(app->m_pauseY, 0);

  app->m_mode = 10;
  rv_Quenmor_jscrh = 361;
  app->p_OnSuspend();
  EXPECT_EQ(app->m_paused, 1);
  EXPECT_EQ(app->m_pauseDir, 1);
  EXPECT_EQ(app->m_pauseY, 181);  // half of 361, rounded
  EXPECT_EQ(host->saves, 2);
  rv_Quenmor_jscrh = 480;
}

// ---- Hostile files ------------------------------------------------------------------

TEST_F(SavedData, HostileFilesLoadWithoutHarm) {
  std::string valid;
  {
    c_MyApp* app = App(0);
    for (int i = 0; i < 1000; ++i) app->m_scores[i] = i;
    Save(app);
    valid = ReadState();
  }
  std::mt19937 rng(11);
  std::vector<std::string> files;
  files.push_back("abc|def|-|+|--3|   |\t|0x10|1e9|");
  files.push_back(std::string(5000, '9') + "|" + std::string(200, '-') + "|");
  {
    std::vector<std::string> f = testing_support::SplitFields(valid);
    for (auto& s : f) s = "99999999999999999999999999999";
    files.push_back(JoinFields(f));
    for (auto& s : f) s = "-99999999999999999999999999999";
    files.push_back(JoinFields(f));
  }
  files.push_back(std::string(100000, '|'));
  {
    std::string many;
    for (int i = 0; i < 20000; ++i) many += std::to_string((int)rng()) + "|";
    files.push_back(many);
  }
  {
    std::string noise(65536, '\0');
    for (auto& c : noise) c = (char)rng();
    files.push_back(noise);
  }
  files.push_back(std::string("\xff\xfe") + "1\0|\0" + "2");  // UTF-16 with NULs
  files.push_back("\xc3\x28|\xe9 |\xed\xa0\x80|\xf0\x9f\x98\x80|");  // invalid UTF-8
  files.push_back(valid.substr(0, valid.size() / 2) + "\x80\x80" + valid.substr(valid.size() / 2));

  for (const std::string& bytes : files) {
    WriteState(bytes);
    c_MyApp* app = App(0);
    std::string printed = Load(app);
    EXPECT_NE(printed.find("Highscores Loaded\n"), std::string::npos);
    EXPECT_GE(app->m_settings[10], 64);
    EXPECT_GE(app->m_settings[12], 8);
    EXPECT_EQ(app->m_settings[14], 1);
    EXPECT_GE(app->m_menuLevelSel, 0);
    EXPECT_LE(app->m_menuLevelSel, 100);
    // What was accepted saves and loads back to itself.
    Save(app);
    c_MyApp* again = App(1);
    Load(again);
    ExpectSameData(again, app);
  }
}

}  // namespace
