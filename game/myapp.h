// Tazmelo's application object: the whole game is this one object. Every
// field is declared here once; each concern lives in its own file:
//
//   myapp.cpp     construction, start values, marking
//   globals.cpp   the game module's globals (rv_Quenmor_*)
//   render.cpp    OnRender: replay of the draw list, virtual screen
//   draw.cpp      draw state, draw records, text, palette, image slots
//   controls.cpp  virtual controls, sticks, iCade, buttons, touch, pad, tilt,
//                 full screen
//   sound.cpp     sound slots, effect channels, tunes
//   loader.cpp    OnCreate, Reload, the staged loader and its loading
//                 screen, OnUpdate's order of work, the mode dispatch,
//                 InGame, LoadGame, OnResume
//   stars.cpp     background stars and the particle pool
//   gameplay.cpp  level generator, game step, end of a game, score line
//   menu.cpp      the main menu and the credits panel
//   options.cpp   the option box
//   pause.cpp     the pause menu and the console quit prompt
//   save.cpp      saved settings, badges and highscores; suspend
//   badges.cpp    badge texts and pop-ups, score-board hooks
//   homecall.cpp  the home call
//
// Conventions: positions and sizes are units of the virtual screen
// (rv_Quenmor_jscrw x rv_Quenmor_jscrh); counters count update frames at 60
// per second; angles are degrees; colours 0..255, alpha 0..1; kUnset
// (-3717) marks an argument that was not given and an absent touch point.
// All drawing happens in OnUpdate by appending 15-float records to
// m_drawList; OnRender only replays them.
#pragma once

#include "app/app.h"
#include "audio/sound.h"
#include "graphics/graphics.h"
#include "net/http.h"

class c_MyApp : public c_App, public c_IOnHttpRequestComplete {
 public:
  static constexpr int kUnset = -3717;        // "not given" / "no touch"
  static constexpr int kRecordFloats = 15;    // floats per draw record
  static constexpr int kDrawListFloats = 37500;
  static constexpr int kDrawListLimit = 37485;  // append only below this
  static constexpr int kRectRecord = -3717;   // record types (index 0)
  static constexpr int kOvalRecord = -3716;
  static constexpr int kLineRecord = -3715;

  c_MyApp();
  c_MyApp* m_new();
  void mark() override;

  // ---- Framework callbacks ------------------------------------------------
  int p_OnCreate() override;   // loader.cpp
  int p_OnUpdate() override;   // loader.cpp
  int p_OnRender() override;   // render.cpp
  int p_OnSuspend() override;  // save.cpp
  int p_OnResume() override;   // loader.cpp
  // Both: menus unpaused, a game with its pause menu open at openY
  // (loader.cpp).
  int p_PauseForReturn(int openY);

  // ---- Loader, modes and per-frame dispatch (loader.cpp) -------------------
  int p_Reload();
  int p_Loader();
  int p_WaitStart(int show);
  int p_LoadGame();
  int p_InGame();
  int p_AssetLevel();  // sets m_assetLevel and m_imageScale from the device

  // ---- Draw state and records, text, images (draw.cpp) ---------------------
  int p_SetCol(float r, float g, float b, float a = kUnset);
  int p_Alpha(float a);
  int p_SetSize(float sx, float sy = kUnset);
  int p_SetRot(float angle);
  int p_ResetDraw();
  int p_DrawImg(int slot, float x, float y, int frame);
  int p_Rect(float x, float y, float w, float h);
  int p_Oval(float cx, float cy, float rx, float ry);
  int p_Line(float x1, float y1, float x2, float y2);
  int p_CLS2D(float r, float g, float b, float a);
  int p_DoBG(float r, float g, float b, float a);
  int p_Text(float x, float y, String text, float alignX = 0, float alignY = 0,
             int fontOffset = 0);
  // Units added to the glyph advance after an ordinary character.
  static int TextKerning(int ch);
  String p_rstr(int width, int value, String padText);
  int p_Ink(int colour, float brightness);
  int p_LoadImg(int slot, String name, int w, int h, int frames, int flags);
  int p_LoadFont(int slot, String name, int glyphW, int glyphH);
  int p_ReserveImg(int slot, int w, int h);

  // ---- Controls (controls.cpp) ----------------------------------------------
  int p_PlayKey(int control, int stickAllowed, int player);
  int p_PlayKeyAll(int control, int stickAllowed);
  float p_StickX(int stick, int player);
  float p_StickY(int stick, int player);
  int p_iCade(int on);
  int p_iCadeChars();  // maps queued iCade characters onto m_pad
  int p_Button(int slot, float x, float y, int frame);
  int p_Button(float x, float y, int frame);  // slot 97
  int p_Button0(int slot, float x, float y, int frame);
  int p_Touch(float x, float y, float w, float h);
  int p_Touch(float y, float w);  // x 84, height 24
  int p_MouseIn(float x, float y, float w, float h);
  int p_MouseIn_Centered(float x, float y, float w, float h);
  int p_MouseIn_Radius(float x, float y, float w, float h);
  int p_OnScreenPad();
  int p_Tilt();
  int p_FullscreenFlip();

  // The pointer the menus read: the mouse, or the first touch point hit.
  struct Pointer {
    bool down = false;  // button held (or a touch down)
    bool hit = false;   // pressed this frame
    float x = 0, y = 0;
  };
  Pointer p_Pointer();

  // ---- Sound and music (sound.cpp) ---------------------------------------
  int p_LoadSFX(int slot);
  int p_PlaySFX(int slot, float rate, float volume, float pan);
  int p_PlaySFX(int slot, float volume);  // rate 1, pan 0
  int p_PlayTune(String name, int loop);
  // Decodes a tune during loading so that starting a game does not stall.
  int p_StopTune();
  int p_BankLoad();

  // ---- Stars and particles (stars.cpp) -------------------------------------
  int p_ResetStars(int n);
  int p_DoStars(float dx, float dy);
  int p_ResetParticles(int n);
  int p_DoParticles(float scale);

  // ---- Gameplay (gameplay.cpp) ---------------------------------------------
  int p_SeedRnd(int seed);
  int p_Rand(int lo, int hi);
  int p_MakePath(int level);
  int p_FlushGame();
  int p_ResetObj();
  int p_ResetGrid();
  int p_ResetPlayers();
  int p_Game();
  int p_GameOver();
  int p_ScoreDisplay();
  String p_Nth(int n);
  String p_MyNth();

  // ---- Menu, options, pause (menu.cpp, options.cpp, pause.cpp) ------------
  int p_Menu();
  int p_OptionBox();
  int p_PauseMenu();
  int p_OuyaQuit();

  // ---- Saved data (save.cpp) -----------------------------------------------
  int p_Save();
  int p_Load();
  int p_LoadMenu();

  // ---- Badges and score boards (badges.cpp) --------------------------------
  String p_BadgeID(int id);
  String p_BadgeName(int id);
  String p_BadgeDetail(int id);
  int p_ShowBadges();
  int p_GC_PostScore(int score, int board);
  int p_GC_Badges();

  // ---- Home call (homecall.cpp) --------------------------------------------
  int p_GetURL(String url, String query);
  int p_OnHttpRequestComplete(c_HttpRequest* request) override;

  // ======================================================================
  // Fields
  // ======================================================================

  // Mode, loading and assets
  int m_mode = 0;
  int m_loadStage = 0;
  int m_assetLevel = 1;     // 1 plain, 2 "-hd", 4 "-hd2"
  float m_imageScale = 1.0f;
  int m_lastDevWidth = 0, m_lastDevHeight = 0;
  Array<c_Image*> m_images;  // 100 slots
  Array<int> m_imageInfo;    // 300: frame width, height, count per slot
  int m_fontSlot = 0;
  int m_targetSlot = 0;
  int m_jinglePlayed = 0;
  Array<c_Sound*> m_sounds;  // 100 slots
  Array<int> m_channelMap;   // 33
  int m_sfxChannel = 0;
  String m_tuneName;
  int m_musicOn = 0;
  float m_spinAngle = 0;  // loading-screen spinner, degrees

  // Fields added by the core code (loader, drawing, controls, sound, stars)
  // go here.
  // (end of core additions)

  // Virtual screen and frame timing
  float m_scaleX = 1, m_scaleY = 1;
  int m_fitMode = 1;
  int m_landscape = 1;
  int m_updateLast = 0, m_renderLast = 0;
  int m_updateFps = 0, m_renderFps = 0;
  int m_updateFpsAvg = 0, m_renderFpsAvg = 0;

  // Draw list and draw state
  Array<float> m_drawList;  // 37500
  int m_drawCount = 0;
  float m_sizeX = 1, m_sizeY = 1;
  float m_rot = 0;  // stored negated
  float m_red = 255, m_green = 255, m_blue = 255;
  float m_alpha = 1;
  int m_blend = 1;  // 1 normal, 3 additive
  float m_clsRed = 0, m_clsGreen = 0, m_clsBlue = 0, m_clsAlpha = 1;
  float m_bgTargetR = 0, m_bgTargetG = 0, m_bgTargetB = 0;
  float m_bgR = 0, m_bgG = 0, m_bgB = 0;
  float m_viewX = 0, m_viewY = 0, m_viewW = 640, m_viewH = 480;

  // Input state
  Array<int> m_pad;  // 20 virtual pad flags: 1 pressed this frame, 2 held
  int m_mouseX = 0, m_mouseY = 0;
  int m_oldMouseX = 0, m_oldMouseY = 0;
  int m_mouseHit = 0;
  int m_touchDown = 0;
  int m_touchWasDown = 0;  // a touch was down the previous frame
  Array<int> m_touchHit;   // 10
  Array<int> m_touchX;     // 10
  Array<int> m_touchY;     // 10
  int m_keyLock = 0;
  int m_inputUsed = 0;
  int m_inputUsed2 = 0;  // second consumed flag, cleared every frame
  int m_lastChar = 0;
  float m_accelZeroX = 0, m_accelZeroY = 0;
  int m_padX = 0, m_padY = 0;
  float m_padScale = 1;
  int m_pinching = 0, m_pinchLast = 0;
  float m_tiltX = 0, m_tiltY = 0, m_tiltSmoothX = 0, m_tiltSmoothY = 0;
  int m_buttonHit = 0;

  // Game and overlay state
  int m_paused = 0;
  int m_pauseDir = -1;
  int m_pauseY = -64;
  int m_pauseCursor = 0;
  int m_level = 2;
  int m_menuLevelSel = 1;
  float m_levelListY = -32;
  int m_score = 0;
  int m_shownScore = 0;
  int m_gameResult = 0;
  int m_gameOverTime = 0;
  int m_endTime = 0;
  float m_camX = 0, m_camY = 0, m_camTargetX = 0, m_camTargetY = 0;
  int m_optionsOpen = 0, m_optionsAnim = 0;
  int m_optionCursor = 0, m_optionKeyLatch = 0, m_optionTouchLatch = 0;
  int m_panelOpen = 0;
  float m_panelX = 0;
  int m_overlayOpen = 0;
  int m_hideHud = 0;
  int m_fullscreen = 0;
  int m_controlStyle = 0;

  // Fields added by the gameplay code go here.
  // (end of gameplay additions)

  // Menu
  float m_ringPos = 0;
  float m_ringSpin = 0;
  int m_menuFocus = 1;
  int m_menuSlide = 0;
  float m_gearAngle = 0;
  int m_dragX = -1, m_dragY = 0;
  int m_tapLock = 0;
  float m_creditScroll = 0;
  int m_creditLine = 0;

  // Pause menu's drawing toy
  float m_spiroA = 0, m_spiroB = 0, m_spiroHue = 0;
  float m_spiroSpeed = 25;
  float m_spiroRadius = 25;
  Array<float> m_spiroTrail;  // 204: 102 points

  // Fields added by the menu, options, pause and saved-data code go here.
  // (end of menu additions)

  // Home call
  String m_homeText;
  c_HttpRequest* m_homeRequest = nullptr;
  int m_homeDone = 0;

  // Saved data and badges
  Array<bool> m_badgeGot;       // 256
  Array<int> m_badgeShowId;     // 15
  Array<int> m_badgeShowTime;   // 15
  Array<int> m_scores;          // 5000: scores 0..999, status 1000..1999
  Array<int> m_settings;        // 25

  // Level and effects
  Array<float> m_player;     // 512
  Array<float> m_grid;       // 5000000: 20 columns x 10 floats per row
  Array<float> m_objects;    // 5100
  Array<float> m_stars;      // 5100: 10 per star
  int m_starCount = 100;
  Array<float> m_particles;  // 5100: 10 per particle
  int m_particleCount = 250;

  int m_i = 0;
};
