// The input device and the input module's functions.
//
// Decisions:
// - p_EndUpdate clears only the counters of the keys in the hit queue, not
//   all 512: the queue is exactly the set of keys with a non-zero count.
// - The module functions answer "nothing pressed" (false, 0) before the
//   device exists, instead of reading through a null device.
#include "app/input.h"

#include "host/game.h"

c_InputDevice* rv_input_device;

namespace {

rv_module input_module(
    40, [] { rv_input_device = nullptr; }, [] { gc_mark_q(rv_input_device); });

bool InKeySpace(int key) { return key >= 0 && key < c_InputDevice::kKeyCount; }

}  // namespace

// ---- c_JoyState ------------------------------------------------------------

c_JoyState::c_JoyState() {
  joyx = Array<float>(2);
  joyy = Array<float>(2);
  joyz = Array<float>(2);
  buttons = Array<bool>(c_InputDevice::kJoyButtons);
}

c_JoyState* c_JoyState::m_new() { return this; }

void c_JoyState::mark() {
  Object::mark();
  gc_mark_q(joyx);
  gc_mark_q(joyy);
  gc_mark_q(joyz);
  gc_mark_q(buttons);
}

// ---- c_InputDevice: construction ---------------------------------------------

c_InputDevice::c_InputDevice() {
  _joyStates = Array<c_JoyState*>(kJoyUnits);
  _keyDown = Array<bool>(kKeyCount);
  _keyHitQueue = Array<int>(kHitQueueSize);
  _keyHit = Array<int>(kKeyCount);
  _charQueue = Array<int>(kCharQueueSize);
  _touchX = Array<float>(kFingers);
  _touchY = Array<float>(kFingers);
}

c_InputDevice* c_InputDevice::m_new() {
  for (int i = 0; i < kJoyUnits; ++i) gc_assign(_joyStates[i], (new c_JoyState())->m_new());
  return this;
}

void c_InputDevice::mark() {
  Object::mark();
  gc_mark_q(_joyStates);
  gc_mark_q(_keyDown);
  gc_mark_q(_keyHitQueue);
  gc_mark_q(_keyHit);
  gc_mark_q(_charQueue);
  gc_mark_q(_touchX);
  gc_mark_q(_touchY);
}

// ---- c_InputDevice: events -------------------------------------------------

int c_InputDevice::p_PutKeyHit(int key) {
  if (_keyHitPut >= kHitQueueSize) return 0;
  _keyHit[key] += 1;
  _keyHitQueue[_keyHitPut++] = key;
  return 0;
}

void c_InputDevice::PressKey(int key) {
  if (_keyDown[key]) return;  // auto-repeat of a held key
  _keyDown[key] = true;
  p_PutKeyHit(key);
  // The left button and the first finger are one pointer.
  if (key == kKeyMouseLeft) {
    _keyDown[kKeyTouchBase] = true;
    p_PutKeyHit(kKeyTouchBase);
  } else if (key == kKeyTouchBase) {
    _keyDown[kKeyMouseLeft] = true;
    p_PutKeyHit(kKeyMouseLeft);
  }
}

void c_InputDevice::ReleaseKey(int key) {
  if (!_keyDown[key]) return;
  _keyDown[key] = false;
  if (key == kKeyMouseLeft) {
    _keyDown[kKeyTouchBase] = false;
  } else if (key == kKeyTouchBase) {
    _keyDown[kKeyMouseLeft] = false;
  }
}

void c_InputDevice::SetTouch(int finger, float x, float y) {
  _touchX[finger] = x;
  _touchY[finger] = y;
  if (finger == 0) {
    _mouseX = x;
    _mouseY = y;
  }
}

int c_InputDevice::p_KeyEvent(int event, int data) {
  switch (event) {
    case c_RvGameEvent::KeyDown:
      if (InKeySpace(data)) PressKey(data);
      break;
    case c_RvGameEvent::KeyUp:
      if (InKeySpace(data)) ReleaseKey(data);
      break;
    case c_RvGameEvent::KeyChar:
      if (_charPut < kCharQueueSize) _charQueue[_charPut++] = data;
      break;
  }
  return 0;
}

int c_InputDevice::p_MouseEvent(int event, int button, float x, float y) {
  switch (event) {
    case c_RvGameEvent::MouseDown:
      if (!InKeySpace(button + 1) || button < 0) break;
      PressKey(button + 1);
      SetTouch(0, x, y);
      break;
    case c_RvGameEvent::MouseUp:
      if (!InKeySpace(button + 1) || button < 0) break;
      ReleaseKey(button + 1);
      break;
    case c_RvGameEvent::MouseMove:
      SetTouch(0, x, y);
      break;
  }
  return 0;
}

int c_InputDevice::p_TouchEvent(int event, int finger, float x, float y) {
  if (finger < 0 || finger >= kFingers) return 0;
  switch (event) {
    case c_RvGameEvent::TouchDown:
      PressKey(kKeyTouchBase + finger);
      SetTouch(finger, x, y);
      break;
    case c_RvGameEvent::TouchUp:
      ReleaseKey(kKeyTouchBase + finger);
      break;
    case c_RvGameEvent::TouchMove:
      SetTouch(finger, x, y);
      break;
  }
  return 0;
}

int c_InputDevice::p_MotionEvent(int event, int, float x, float y, float z) {
  if (event == c_RvGameEvent::MotionAccel) {
    _accelX = x;
    _accelY = y;
    _accelZ = z;
  }
  return 0;
}

// ---- c_InputDevice: the update bracket -------------------------------------

int c_InputDevice::p_BeginUpdate() {
  RvGame* host = RvGame::_game;
  if (!host) return 0;
  for (int unit = 0; unit < kJoyUnits; ++unit) {
    c_JoyState* joy = _joyStates[unit];
    // Every unit is asked: a pad keeps its unit while another is unplugged.
    // A unit without a pad reads as released and centred, so nothing it
    // held stays down once its pad is gone.
    const bool present = host->PollJoystick(unit, joy->joyx, joy->joyy, joy->joyz, joy->buttons);
    if (!present) {
      for (int s = 0; s < 2; ++s) joy->joyx[s] = joy->joyy[s] = joy->joyz[s] = 0;
    }
    for (int b = 0; b < kJoyButtons; ++b) {
      int key = kKeyJoyBase + 32 * unit + b;
      if (present && joy->buttons[b]) {
        if (!_keyDown[key]) {
          _keyDown[key] = true;
          p_PutKeyHit(key);
        }
      } else {
        _keyDown[key] = false;
      }
    }
  }
  return 0;
}

int c_InputDevice::p_EndUpdate() {
  for (int i = 0; i < _keyHitPut; ++i) _keyHit[_keyHitQueue[i]] = 0;
  _keyHitPut = 0;
  _charGet = 0;
  _charPut = 0;
  return 0;
}

// ---- c_InputDevice: queries ------------------------------------------------

bool c_InputDevice::p_KeyDown(int key) {
  if (key < 1 || key >= kKeyCount) return false;
  return _keyDown[key];
}

int c_InputDevice::p_KeyHit(int key) {
  if (key < 1 || key >= kKeyCount) return 0;
  return _keyHit[key];
}

int c_InputDevice::p_GetChar() {
  if (_charGet == _charPut) return 0;
  return _charQueue[_charGet++];
}

float c_InputDevice::p_MouseX() { return _mouseX; }
float c_InputDevice::p_MouseY() { return _mouseY; }
float c_InputDevice::p_AccelX() { return _accelX; }
float c_InputDevice::p_AccelY() { return _accelY; }
// A stick or unit the device does not have reads 0, like a centred stick.
float c_InputDevice::p_JoyX(int index, int unit) {
  if (unit < 0 || unit >= kJoyUnits || index < 0 || index >= _joyStates[unit]->joyx.Length()) return 0;
  return _joyStates[unit]->joyx[index];
}
float c_InputDevice::p_JoyY(int index, int unit) {
  if (unit < 0 || unit >= kJoyUnits || index < 0 || index >= _joyStates[unit]->joyy.Length()) return 0;
  return _joyStates[unit]->joyy[index];
}

int c_InputDevice::p_SetKeyboardEnabled(bool enabled) {
  if (RvGame::_game) RvGame::_game->SetKeyboardEnabled(enabled);
  return 0;
}

// ---- The input module ------------------------------------------------------

int rv_input_SetInputDevice(c_InputDevice* device) {
  gc_assign(rv_input_device, device);
  return 0;
}

bool rv_input_KeyDown(int key) { return rv_input_device && rv_input_device->p_KeyDown(key); }
int rv_input_KeyHit(int key) { return rv_input_device ? rv_input_device->p_KeyHit(key) : 0; }
int rv_input_GetChar() { return rv_input_device ? rv_input_device->p_GetChar() : 0; }
float rv_input_MouseX() { return rv_input_device ? rv_input_device->p_MouseX() : 0; }
float rv_input_MouseY() { return rv_input_device ? rv_input_device->p_MouseY() : 0; }

bool rv_input_MouseDown(int button) {
  if ((unsigned)button > 510u) return false;
  return rv_input_KeyDown(button + 1);
}

int rv_input_MouseHit(int button) {
  if ((unsigned)button > 510u) return 0;
  return rv_input_KeyHit(button + 1);
}

namespace {
// button OR 256 OR unit * 32: for buttons 0-31 and units 0-3 the joystick's
// key; other arguments land on some key or outside the key space.
int JoyKey(int button, int unit) {
  return (int)((unsigned)button | 256u | ((unsigned)unit * 32u));
}
}  // namespace

bool rv_input_JoyDown(int button, int unit) { return rv_input_KeyDown(JoyKey(button, unit)); }
int rv_input_JoyHit(int button, int unit) { return rv_input_KeyHit(JoyKey(button, unit)); }

float rv_input_JoyX(int index, int unit) {
  return rv_input_device ? rv_input_device->p_JoyX(index, unit) : 0;
}
float rv_input_JoyY(int index, int unit) {
  return rv_input_device ? rv_input_device->p_JoyY(index, unit) : 0;
}
float rv_input_AccelX() { return rv_input_device ? rv_input_device->p_AccelX() : 0; }
float rv_input_AccelY() { return rv_input_device ? rv_input_device->p_AccelY() : 0; }

int rv_input_EnableKeyboard() {
  if (RvGame::_game) RvGame::_game->SetKeyboardEnabled(true);
  return 0;
}

int rv_input_DisableKeyboard() {
  if (RvGame::_game) RvGame::_game->SetKeyboardEnabled(false);
  return 0;
}
