// The input device: the host's stream of key, character, mouse, touch and
// motion events turned into the state the game polls once per update.
//
// Every kind of button is a key in one 512-code key space: mouse buttons 1-3,
// keyboard codes below 256, joystick buttons 256 + 32 * unit + button, touch
// fingers 384-415, back 416, close 432. Key 1 (left mouse button) and key 384
// (first finger) mirror each other.
//
// Limits: at most 33 key hits and 32 characters are kept between two updates;
// later ones are dropped (a dropped hit still sets its key down). Events whose
// key, button or finger lies outside the key space are ignored.
#pragma once

#include "runtime/kestro.h"

class c_JoyState : public Object {
 public:
  Array<float> joyx;     // x of the left and right stick
  Array<float> joyy;     // y of the left and right stick
  Array<float> joyz;     // left and right trigger
  Array<bool> buttons;   // 32 buttons

  c_JoyState();
  c_JoyState* m_new();
  void mark() override;
};

class c_InputDevice : public Object {
 public:
  static constexpr int kKeyCount = 512;
  static constexpr int kHitQueueSize = 33;
  static constexpr int kCharQueueSize = 32;
  static constexpr int kFingers = 32;
  static constexpr int kJoyUnits = 4;
  static constexpr int kJoyButtons = 32;
  static constexpr int kKeyMouseLeft = 1;
  static constexpr int kKeyJoyBase = 256;
  static constexpr int kKeyTouchBase = 384;
  static constexpr int kKeyBack = 416;
  static constexpr int kKeyClose = 432;

  Array<c_JoyState*> _joyStates;
  Array<bool> _keyDown;
  int _keyHitPut = 0;
  Array<int> _keyHitQueue;
  Array<int> _keyHit;
  int _charGet = 0;
  int _charPut = 0;
  Array<int> _charQueue;
  float _mouseX = 0, _mouseY = 0;
  Array<float> _touchX;
  Array<float> _touchY;
  float _accelX = 0, _accelY = 0, _accelZ = 0;

  c_InputDevice();
  // Fills the joystick array with four fresh states.
  c_InputDevice* m_new();
  void mark() override;

  int p_KeyEvent(int event, int data);
  int p_MouseEvent(int event, int button, float x, float y);
  int p_TouchEvent(int event, int finger, float x, float y);
  int p_MotionEvent(int event, int data, float x, float y, float z);
  int p_PutKeyHit(int key);
  int p_BeginUpdate();
  int p_EndUpdate();
  bool p_KeyDown(int key);
  int p_KeyHit(int key);
  int p_GetChar();
  float p_MouseX();
  float p_MouseY();
  float p_AccelX();
  float p_AccelY();
  float p_JoyX(int index, int unit);
  float p_JoyY(int index, int unit);
  int p_SetKeyboardEnabled(bool enabled);

 private:
  void PressKey(int key);
  void ReleaseKey(int key);
  void SetTouch(int finger, float x, float y);
};

extern c_InputDevice* rv_input_device;

int rv_input_SetInputDevice(c_InputDevice* device);
bool rv_input_KeyDown(int key);
int rv_input_KeyHit(int key);
int rv_input_GetChar();
float rv_input_MouseX();
float rv_input_MouseY();
bool rv_input_MouseDown(int button);
int rv_input_MouseHit(int button);
bool rv_input_JoyDown(int button, int unit);
int rv_input_JoyHit(int button, int unit);
float rv_input_JoyX(int index, int unit);
float rv_input_JoyY(int index, int unit);
float rv_input_AccelX();
float rv_input_AccelY();
int rv_input_EnableKeyboard();
int rv_input_DisableKeyboard();
