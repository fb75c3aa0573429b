// The credits panel under a player's mouse: a click lasts several frames, so
// the panel must open on the press and stay open while the button is held,
// and the next click closes it the same way.
#include "support/menu_helpers.h"

namespace {

using namespace testing_support;

class CreditsClick : public AtMenu {};

TEST_F(CreditsClick, AClickOpensThePanelAndTheNextClickClosesIt) {
  rig.MouseMove(600, 200);  // hovering gives the panel the focus
  rig.Step(3);
  ASSERT_EQ(app->m_menuFocus, 2);
  for (int wanted : {1, 0, 1}) {
    rig.MouseDown(0);
    for (int frame = 0; frame < 6; ++frame) {  // about a tenth of a second held
      rig.Step();
      EXPECT_EQ(app->m_panelOpen, wanted) << "held, frame " << frame;
    }
    rig.MouseUp(0);
    rig.Step(6);
    EXPECT_EQ(app->m_panelOpen, wanted) << "released";
  }
}

}  // namespace
