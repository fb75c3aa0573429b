// Start-up, the staged asset loader and its loading screen, the per-frame
// order of work and the mode dispatch.
//
// Index: [SECTION] start-up and reload, [SECTION] staged loader,
// [SECTION] loading screen, [SECTION] per-frame work, [SECTION] modes,
// [SECTION] resume.
//
// The loader runs one stage per update so the loading screen keeps turning:
// p_Reload (at start and from the logo screen) loads the logo and the font
// and sets stage 1; stages 1..13 load the rest, the stage after them ends
// loading. While a stage is pending no mode runs. A new device size (seen by
// OnRender) starts the loader again, at the asset level of the new size.
//
// Asset level: the image set is chosen from the device size alone: "-hd2"
// (level 4) from 1231 pixels in either direction, "-hd" (level 2) from 631,
// the plain set below; a 640 x 480 window therefore uses "-hd", drawn at half
// scale. rv_Quenmor_UseHDImages = 0 forces the plain set.
//
// Decisions that were ours:
//  - Every image of the loader table is loaded with a centred handle.
//  - The options box and its slide counter (step 11 of the frame) run only in
//    frames where no loader stage was pending, like the mode dispatch.
#include <cmath>

#include "game/globals.h"
#include "game/myapp.h"
#include "runtime/profile.h"

namespace {

constexpr int kHd2Pixels = 1231;  // device width or height that asks for "-hd2"
constexpr int kHdPixels = 631;    // ... for "-hd"
constexpr int kUpdateRate = 60;
constexpr int kLastStage = 13;
constexpr int kPadEntries = 19;   // m_pad 0..18; entry 19 is the back key
constexpr int kPanelWidth = 140;

// Framework key codes used by the frame.
constexpr int kKeyMouseLeft = 1;
constexpr int kKeyF1 = 112, kKeyF2 = 113, kKeyF4 = 115, kKeyF11 = 122;
constexpr int kKeyConsoleBack = 270;  // joystick 0, button 14
constexpr int kKeyBack = c_InputDevice::kKeyBack;
constexpr int kKeyClose = c_InputDevice::kKeyClose;

// Controls whose being held keeps the menu-key lock.
constexpr int kMenuControls[] = {0, 3, 5, 8, 10, 11, 12, 13, 14, 15, 16, 17, 99};

void RunMode(c_MyApp* app);  // [SECTION] modes

}  // namespace

// [SECTION] start-up and reload ---------------------------------------------------

int c_MyApp::p_OnCreate() {
  if (rv_Quenmor_isOuya) {
    m_controlStyle = 1;
    rv_Quenmor_overscan = 64;
  }
  m_fullscreen = 0;
  m_jinglePlayed = 0;
  m_menuLevelSel = 1;
  m_levelListY = -32;
  if (rv_Quenmor_J_On_Allow == 1) p_GetURL(homecall::Address(), homecall::Query());
  m_mode = 1;
  rv_app_SetUpdateRate(kUpdateRate);
  m_lastDevWidth = rv_app_DeviceWidth();
  m_lastDevHeight = rv_app_DeviceHeight();
  m_accelZeroX = m_accelZeroY = 0;
  p_Reload();
  m_level = 2;
  m_menuSlide = -32;
  m_paused = 0;
  m_pauseDir = -1;
  m_pauseY = -64;
  for (int i = 0; i < 15; ++i) m_badgeShowId[i] = m_badgeShowTime[i] = 0;
  for (int i = 0; i < 128; ++i) m_badgeGot[i] = false;
  for (int i = 0; i < kPadEntries; ++i) m_pad[i] = 0;
  for (int i = 0; i < 25; ++i) m_settings[i] = 0;
  m_settings[5] = 1;
  for (int i = 0; i <= 1000; ++i) m_scores[i] = 0;
  p_Load();
  for (int i = 0; i < m_channelMap.Length(); ++i) m_channelMap[i] = i;
  return 0;
}

int c_MyApp::p_AssetLevel() {
  int w = rv_app_DeviceWidth(), h = rv_app_DeviceHeight();
  int level = 1;
  if (rv_Quenmor_UseHDImages) {
    if (w >= kHd2Pixels || h >= kHd2Pixels) {
      level = 4;
    } else if (w >= kHdPixels || h >= kHdPixels) {
      level = 2;
    }
  }
  m_assetLevel = level;
  m_imageScale = 1.0f / (float)level;
  return 0;
}

int c_MyApp::p_Reload() {
  m_clsRed = m_clsGreen = m_clsBlue = 0;
  m_clsAlpha = 1;
  p_AssetLevel();
  p_LoadImg(93, String("common/PlondrelLogo"), 256, 256, 1, c_Image::CentreHandle);
  // The font's slot info is the glyph advance and line height, not its cell.
  p_LoadFont(90, String("fonts/shadow_editundo"), 7, 10);
  m_fontSlot = 90;
  m_loadStage = 1;
  return 0;
}

// [SECTION] staged loader -----------------------------------------------------------

int c_MyApp::p_Loader() {
  p_AssetLevel();
  const int centre = c_Image::CentreHandle;
  switch (m_loadStage) {
    case 1:
      p_LoadImg(97, String("common/icons"), 32, 32, 16, centre);
      p_ReserveImg(81, 2048, 2048);
      p_LoadSFX(96);
      break;
    case 2:
      p_LoadImg(95, String("common/Buttons"), 64, 64, 16, centre);
      p_LoadSFX(1);
      break;
    case 3:
      p_LoadImg(94, String("common/dpad"), 32, 32, 16, centre);
      p_LoadSFX(98);
      break;
    case 4:
      p_LoadImg(93, String("common/PlondrelLogo"), 256, 256, 1, centre);
      if (m_jinglePlayed == 0) {
        p_PlaySFX(96, 1);
        m_jinglePlayed = 1;
      }
      break;
    case 5:
      p_LoadFont(90, String("fonts/shadow_editundo"), 7, 10);
      p_LoadSFX(99);
      break;
    case 6:
      p_LoadImg(99, String("menu"), 256, 256, 4, centre);
      p_LoadImg(98, String("logo"), 256, 128, 1, centre);
      p_LoadSFX(95);
      break;
    case 7:
      p_LoadImg(80, String("BadgesA"), 64, 64, 64, centre);
      p_LoadImg(96, String("parts"), 8, 8, 256, centre);
      break;
    case 8:
      p_LoadImg(85, String("common/circle"), 256, 256, 4, centre);
      p_LoadImg(86, String("common/light"), 32, 32, 4, centre);
      break;
    case 9:
      p_LoadImg(2, String("gfx"), 28, 28, 81, centre);
      break;
    case 10:
      p_LoadSFX(1);
      p_LoadSFX(2);
      break;
    case 11:
      p_LoadSFX(3);
      p_LoadSFX(4);
      break;
    case 12:
      p_LoadSFX(5);
      p_LoadSFX(6);
      break;
    case 13:
      p_LoadSFX(7);
      p_LoadSFX(8);
      break;
    default:
      m_loadStage = 0;
      profile::Mark("loaded");  // the first time only
      break;
  }
  if (m_loadStage >= 1 && m_loadStage <= kLastStage) ++m_loadStage;
  p_WaitStart(1);
  return 0;
}

// [SECTION] loading screen ------------------------------------------------------------

int c_MyApp::p_WaitStart(int show) {
  m_bgTargetR = m_bgTargetG = m_bgTargetB = 0;
  m_viewX = m_viewY = 0;
  m_bgR -= m_bgR * 0.125f;
  m_bgG -= m_bgG * 0.125f;
  m_bgB -= m_bgB * 0.125f;
  p_CLS2D(m_bgR, m_bgG, m_bgB, 1);

  const float w = rv_Quenmor_jscrw, h = rv_Quenmor_jscrh;
  const float m = (float)TruncToInt(w < h ? w : h);
  m_spinAngle += 3;

  // A ring of eleven ovals, fading in along its length.
  auto ring = [&](float start, float radius, float size) {
    for (int i = 0; i <= 10; ++i) {
      float a = (start + 4 * i) * 0.017453292f;
      m_alpha = (float)i / 10.0f;
      p_Oval(std::sin(a) * radius + w * 0.5f, h * 0.5f - std::cos(a) * radius, size, size);
    }
  };
  if (show == 1) {
    p_SetCol(0, 125, 255);
    m_blend = 1;
    ring(m_spinAngle, 0.45f * m, 16);
  }
  p_SetCol(255, 255, 255, 1);
  p_SetSize(2, 2);
  p_DrawImg(93, w * 0.5f, h * 0.48f, 0);
  p_ResetDraw();
  if (show == 1) {
    p_SetCol(255, 125, 0);
    ring(m_spinAngle + 120, 0.4f * m, 12);
    ring(m_spinAngle + 240, 0.35f * m, 8);
    p_ResetDraw();
  }
  static const String kLoading("Loading...");
  p_Text(w * 0.5f, h - 32, kLoading, 1, 1);

  if (show == 0) {
    m_inputUsed = 1;
    m_mode = 1;
    p_Reload();
    rv_app_SetUpdateRate(kUpdateRate);
  }
  return 0;
}

// [SECTION] per-frame work ---------------------------------------------------------------

int c_MyApp::p_OnUpdate() {
  // 1. The back key.
  if (rv_Quenmor_isOuya) {
    m_pad[19] = rv_input_KeyHit(kKeyConsoleBack) ? 1 : 0;
  } else {
    m_pad[19] = rv_input_KeyHit(kKeyBack);
  }

  // 2. Function keys and the way out.
  if (rv_input_KeyHit(kKeyF1)) rv_Quenmor_DebugMode = rv_Quenmor_DebugMode ? 0 : 1;
  if (rv_input_KeyHit(kKeyF2)) m_hideHud = m_hideHud ? 0 : 1;
  if (rv_input_KeyHit(kKeyF11)) p_FullscreenFlip();
  if (rv_input_KeyHit(kKeyF4) || rv_input_KeyHit(kKeyClose)) rvError(String());

  // 3. Results of background work.
  rv_asyncevent_UpdateAsyncEvents();

  // 4. Music follows the pause state.
  if (rv_Quenmor_HasMusicStream == 1 && m_musicOn == 1) {
    if (m_paused) {
      rv_audio_PauseMusic();
    } else {
      rv_audio_ResumeMusic();
    }
  }

  // 5. Update timing.
  int now = rv_app_Millisecs();
  if (now > m_updateLast) {
    m_updateFps = 1000 / (now - m_updateLast);
    m_updateFpsAvg = (m_updateFps + 9 * m_updateFpsAvg) / 10;
    m_updateLast = now;
  }

  // 6. Pointer, in game units.
  const int devW = rv_app_DeviceWidth(), devH = rv_app_DeviceHeight();
  const float overscanY = devW > 0 ? rv_Quenmor_overscan * (float)devH / (float)devW : 0;
  m_oldMouseX = m_mouseX;
  m_oldMouseY = m_mouseY;
  m_mouseX = TruncToInt((rv_input_MouseX() - rv_Quenmor_overscan) / m_scaleX);
  m_mouseY = TruncToInt((rv_input_MouseY() - overscanY) / m_scaleY);
  if (rv_input_KeyDown(kKeyMouseLeft) && !m_touchWasDown) {
    m_oldMouseX = m_mouseX;
    m_oldMouseY = m_mouseY;
  }
  m_mouseHit = rv_input_KeyHit(kKeyMouseLeft);

  // 7. Touch table: no touch source on the desktop.
  for (int i = 0; i < 10; ++i) {
    m_touchHit[i] = 0;
    m_touchX[i] = m_touchY[i] = kUnset;
  }
  m_touchDown = 0;
  m_touchWasDown = 0;
  m_inputUsed = 0;
  m_inputUsed2 = 0;

  // 8. The console always uses the pad's glyphs.
  if (rv_Quenmor_isOuya) m_controlStyle = 1;

  // 9. Menu-key lock.
  bool held = false;
  for (int control : kMenuControls) {
    for (int player = 0; player < 4 && !held; ++player) held = p_PlayKey(control, 1, player) != 0;
  }
  if (!held) m_keyLock = 0;
  if (m_keyLock == 0 && m_mode == 1 && (m_overlayOpen || m_optionsOpen || m_panelOpen) &&
      p_PlayKeyAll(99, 1) > 0) {
    m_overlayOpen = 0;
    m_panelOpen = 0;
    m_keyLock = 1;
    m_inputUsed = 1;
  }
  if (m_optionsOpen) {
    m_keyLock = 1;
    m_inputUsed = 1;
  }

  if (m_loadStage == 0) {
    // 10. The mode's step.
    RunMode(this);

    // 11. The option box over whatever the mode drew.
    if (m_loadStage == 0 && (m_optionsOpen == 1 || m_optionsAnim > 0)) {
      p_OptionBox();
      if (m_optionsOpen == 1) {
        if (m_optionsAnim < 30) ++m_optionsAnim;
      } else if (m_optionsAnim > 0) {
        --m_optionsAnim;
      }
    }
  }

  // 12. Side panel slide.
  if (m_panelOpen == 0) {
    if (m_panelX > 0) {
      m_panelX -= m_panelX * 0.125f;
      if (m_panelX < 8) m_panelX = 0;
    }
  } else {
    float target = rv_Quenmor_jscrw - kPanelWidth;
    m_panelX += (target - m_panelX) * 0.125f;
    if (std::fabs(target - m_panelX) < 8) m_panelX = target;
  }

  // 13. The loader owns the frame while a stage is pending.
  const bool loading = m_loadStage > 0;
  if (loading) p_Loader();

  // 14. iCade characters.
  if (rv_Quenmor_iCadeControls == 1) p_iCadeChars();

  // 15. One-frame presses end here; held entries (2) stay.
  for (int i = 0; i < kPadEntries; ++i) {
    if (m_pad[i] == 1) m_pad[i] = 0;
  }

  // 16. On-screen pad and tilt.
  if (rv_Quenmor_iCadeControls == 0) {
    if (rv_Quenmor_OnScreenControls == 1 && m_mode > 5) p_OnScreenPad();
    if (rv_Quenmor_AccelerometerControls == 1) p_Tilt();
  } else {
    m_tiltX = m_tiltY = m_tiltSmoothX = m_tiltSmoothY = 0;
  }

  // 17. Debug overlay.
  if (rv_Quenmor_DebugMode == 1 && m_mode != 5) {
    p_ResetDraw();
    String line = String(m_renderFpsAvg) + String(":") + String(m_scaleX) + String(",") +
                  String(m_scaleY);
    float y = rv_Quenmor_AccelerometerControls == 1 ? rv_Quenmor_jscrh * 0.5f
                                                    : rv_Quenmor_jscrh - 16;
    p_Text(16, y, line, 0, 0);
  }

  // 18. Badge notices, in every mode.
  p_ShowBadges();

  // For the frame profile: the screen this update drew.
  profile::Record("mode", 0, 0, loading ? 0 : m_mode);
  return 0;
}

// [SECTION] modes ----------------------------------------------------------------------

// The mode's step, then the end-of-game overlay where it belongs: after the
// menu and the recording of a result, and in a game once its end is decided
// (twice in the frame that hands over to the recording).
namespace {

void RunMode(c_MyApp* app) {
  switch (app->m_mode) {
    case 1:
      app->p_Menu();
      break;
    case 2:
      app->p_LoadMenu();
      if (app->m_gameResult == 2) app->p_PlaySFX(96, 1);
      app->m_mode = 1;
      break;
    case 4:
      app->p_OuyaQuit();
      break;
    case 5:
      app->p_WaitStart(0);
      break;
    case 10:
      if (!app->m_paused) app->p_Game();
      app->p_InGame();
      break;
    case 11:
      app->p_LoadGame();
      break;
    default:
      break;
  }
  if (app->m_mode == 1 || app->m_mode == 2) {
    app->p_GameOver();
  } else if (app->m_mode == 10 && app->m_gameOverTime) {
    app->p_GameOver();
    if (app->m_mode == 2) app->p_GameOver();
  }
}

}  // namespace

int c_MyApp::p_InGame() {
  p_ResetDraw();
  m_menuSlide = -32;
  auto pause = [&] {
    m_keyLock = 1;
    m_paused = 1;
    m_pauseDir = 1;
    m_pauseCursor = 0;
    p_PlaySFX(98, 0.5f);
  };
  bool wantPause = p_PlayKeyAll(99, 1) > 0 || (rv_Quenmor_isOuya && p_PlayKeyAll(13, 1) > 0);
  if (wantPause && !m_paused && m_keyLock == 0) pause();
  if (m_hideHud == 0) {
    p_Alpha(m_controlStyle == 2 ? 1.0f : 0.2f);
    if (p_Button(97, 16, 16, 0) && !m_paused) {
      pause();
      m_inputUsed = 1;
    }
    p_Alpha(1);
  }
  if (m_paused == 1) p_PauseMenu();
  return 0;
}

int c_MyApp::p_LoadGame() {
  m_mode = 10;
  p_PlayTune(String("testmusic"), 1);
  p_FlushGame();  // a fresh game
  p_MakePath(m_level);
  return 0;
}

// [SECTION] resume --------------------------------------------------------------------

int c_MyApp::p_PauseForReturn(int openY) {
  if (m_mode < 10) {
    m_paused = 0;
    m_pauseDir = 0;
    m_pauseY = 0;
  } else {
    // In a game: the pause menu is fully open when the player comes back.
    m_paused = 1;
    m_pauseDir = 1;
    m_pauseY = openY;
  }
  return 0;
}

int c_MyApp::p_OnResume() {
  p_PauseForReturn(TruncToInt(rv_Quenmor_jscrh * 0.5f));
  rv_app_SetUpdateRate(kUpdateRate);
  p_iCade(0);  // also disables the host keyboard and clears m_pad 0..18
  return 0;
}
