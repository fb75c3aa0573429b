// The translation from what GLFW 3 reports for one joystick to the
// framework's fixed pad: two sticks, two triggers and 32 buttons. Pure
// functions, so every mapping can be checked without a pad attached.
//
// Framework pad, by meaning:
//   buttons 0..3   face buttons A, B, X, Y (the game's buttons 1 to 4)
//   buttons 4, 5   left and right shoulder (buttons 5 and 6)
//   buttons 6, 7   Back and Start (the game's back and pause)
//   buttons 8..11  d-pad left, up, right, down
//   buttons 12, 13 left and right stick click
//   x[0], y[0]     left stick; x[1], y[1] right stick; -1..1, up positive
//   z[0], z[1]     left and right trigger, 0 released .. 1 pulled
#pragma once

#include <GLFW/glfw3.h>

namespace joystick {

struct Reading {
  float x[2] = {0, 0};
  float y[2] = {0, 0};
  float z[2] = {0, 0};
  bool buttons[32] = {};
};

// A pad GLFW recognises (its own mappings or gamecontrollerdb.txt).
Reading FromGamepad(const GLFWgamepadstate& pad);

// A joystick GLFW cannot map: its raw axes (-1..1, y growing downwards) and
// buttons (GLFW_PRESS / GLFW_RELEASE, each hat appended as up, right, down,
// left). Pads with exactly 14 buttons and 5 axes read as a twin-stick pad
// with both triggers on axis 2; all others take triggers from buttons 6, 7.
Reading FromRawJoystick(const float* axes, int axisCount, const unsigned char* buttons,
                        int buttonCount);

}  // namespace joystick
