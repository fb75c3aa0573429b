// A steady frame of the game never waits on the X server: every Xlib call
// that waits for a reply goes through _XReply, which this test wraps (the
// display tests export the symbol, so libX11's own calls land here). The
// wrapper is checked first on a call known to wait (glfwGetWindowSize), so
// a wrapper that saw nothing cannot pass for a quiet frame. Left out: the
// buffer swap and the drawable check Mesa's GLX makes at the first GL call
// after it (one XGetGeometry a frame), the same for any GL program.
#include <GL/gl.h>
#include <GLFW/glfw3.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "app/app.h"
#include "support/game_rig.h"

namespace {
long long round_trips = 0;
}  // namespace

extern "C" int _XReply(void* display, void* reply, int extra, int discard) {
  using Real = int (*)(void*, void*, int, int);
  static Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "_XReply"));
  ++round_trips;
  return real(display, reply, extra, discard);
}

namespace {

using testing_support::GameRig;

TEST(XRoundTrips, ASteadyFrameAsksTheXServerNothingAndSizeAndFocusAreStillSeen) {
  GameRig rig;
  ASSERT_GT(rig.RunUntilLoaded(), 0);
  rig.Step(30);  // the menu, settled
  GLFWwindow* window = rig.host->Window();

  long long before = round_trips;
  int w = 0, h = 0;
  glfwGetWindowSize(window, &w, &h);
  ASSERT_GT(round_trips, before) << "the wrapper does not see libX11's round trips";

  // The host's frame without the swap: render, events, focus, update.
  long long ours = 0;
  for (int i = 0; i < 30; ++i) {
    glfwSwapBuffers(window);
    glClear(GL_COLOR_BUFFER_BIT);  // Mesa looks at the drawable here
    before = round_trips;
    rig.host->RenderGame();
    rig.host->UpdateEvents();
    rig.host->clock += 1.0 / 60;
    rig.host->UpdateGame();
    ours += round_trips - before;
  }
  EXPECT_EQ(ours, 0);

  // The size still follows the window, from GLFW's callback.
  glfwSetWindowSize(window, 720, 400);
  for (int i = 0; i < 500 && rv_app_DeviceWidth() != 720; ++i) {
    glfwWaitEventsTimeout(0.01);
    rig.Step();
  }
  EXPECT_EQ(rv_app_DeviceWidth(), 720);
  EXPECT_EQ(rv_app_DeviceHeight(), 400);
  EXPECT_EQ(rig.host->GetDeviceWidth(), 720);

  // Focus, from GLFW's callback too: another window takes it and the game is
  // suspended; it comes back and the game resumes.
  GLFWwindow* other = glfwCreateWindow(64, 64, "other", nullptr, nullptr);
  ASSERT_NE(other, nullptr);
  glfwFocusWindow(other);
  for (int i = 0; i < 500 && !rig.host->Suspended(); ++i) {
    glfwWaitEventsTimeout(0.01);
    rig.host->UpdateEvents();
  }
  EXPECT_TRUE(rig.host->Suspended());
  glfwFocusWindow(window);
  for (int i = 0; i < 500 && rig.host->Suspended(); ++i) rig.host->UpdateEvents();
  EXPECT_FALSE(rig.host->Suspended());
  glfwDestroyWindow(other);
}

}  // namespace
