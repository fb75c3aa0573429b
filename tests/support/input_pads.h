// A desktop host whose GLFW joystick slots hold scripted raw readings; the real
// port map and pad layouts run on them, GLFW itself is never called.
#pragma once

#include <map>
#include <vector>

#include "host/glfw_game.h"

namespace testing_support {

struct ScriptedPad {
  std::vector<float> axes;
  std::vector<unsigned char> buttons;

  ScriptedPad(int axisCount, int buttonCount) : axes(axisCount), buttons(buttonCount) {}
  void Press(int button, bool down = true) { buttons.at(button) = down ? 1 : 0; }
};

class PadHost : public RvGlfwGame {
 public:
  std::map<int, ScriptedPad> pads;  // GLFW joystick id -> pad

  ScriptedPad& Plug(int jid, int axisCount, int buttonCount) {
    pads.erase(jid);
    return pads.emplace(jid, ScriptedPad(axisCount, buttonCount)).first->second;
  }
  void Unplug(int jid) { pads.erase(jid); }

 protected:
  bool JoystickPresent(int jid) override { return pads.count(jid) != 0; }
  const float* JoystickAxes(int jid, int* count) override {
    auto it = pads.find(jid);
    *count = it == pads.end() ? 0 : (int)it->second.axes.size();
    return *count ? it->second.axes.data() : nullptr;
  }
  const unsigned char* JoystickButtons(int jid, int* count) override {
    auto it = pads.find(jid);
    *count = it == pads.end() ? 0 : (int)it->second.buttons.size();
    return *count ? it->second.buttons.data() : nullptr;
  }
};

}  // namespace testing_support
