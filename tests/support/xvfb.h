// A private X server for the test process: the first call starts Xvfb
// (1280x720x24, Mesa llvmpipe for GL) and points DISPLAY at it; it is killed
// when the test process ends. Tests never depend on a display being present.
#pragma once

#include <string>

namespace testing_support {

// Starts the server on first use and returns its display name (":N").
const std::string& StartXvfb();

}  // namespace testing_support
