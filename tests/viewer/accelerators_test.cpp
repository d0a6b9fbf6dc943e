// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/accelerators.h"

#include <X11/keysym.h>
#include <gtest/gtest.h>

#include "viewer/key_navigation.h"
#include "viewer/platform/x_window.h"

namespace skylacer::viewer {
namespace {

using platform::kAlt;
using platform::kControl;
using platform::kShift;

TEST(Accelerators, ModifiersTellKeysApart) {
  EXPECT_EQ(acceleratorCommand(XK_Return, 0), ViewerCommand::AutoTurn);
  EXPECT_EQ(acceleratorCommand(XK_KP_Enter, 0), ViewerCommand::AutoTurn);
  EXPECT_EQ(acceleratorCommand(XK_Return, kAlt), ViewerCommand::Fullscreen);
  EXPECT_EQ(acceleratorCommand(XK_F4, 0), ViewerCommand::ShadePhong);
  EXPECT_EQ(acceleratorCommand(XK_F4, kAlt), ViewerCommand::Exit);
  EXPECT_EQ(acceleratorCommand(XK_Escape, 0), ViewerCommand::Exit);
  EXPECT_EQ(acceleratorCommand(XK_Page_Down, kAlt), ViewerCommand::NextMode);
  EXPECT_EQ(acceleratorCommand(XK_Page_Up, kAlt), ViewerCommand::PreviousMode);
  EXPECT_EQ(acceleratorCommand(XK_l, kControl), ViewerCommand::FilterMipMapped);
  EXPECT_EQ(acceleratorCommand(XK_s, kControl), ViewerCommand::FillSolid);
  EXPECT_EQ(acceleratorCommand(XK_space, 0), ViewerCommand::SingleStep);
  EXPECT_EQ(acceleratorCommand(XK_F1, 0), ViewerCommand::About);
}

TEST(Accelerators, OtherCombinationsHaveNoCommand) {
  EXPECT_FALSE(acceleratorCommand(XK_s, 0));
  EXPECT_FALSE(acceleratorCommand(XK_s, kControl | kShift));
  EXPECT_FALSE(acceleratorCommand(XK_Page_Down, 0));
  EXPECT_FALSE(acceleratorCommand(XK_F1, kShift));
  EXPECT_FALSE(acceleratorCommand(XK_F6, 0));
  // The navigation keys are no commands.
  EXPECT_FALSE(acceleratorCommand(XK_Left, 0));
  EXPECT_FALSE(acceleratorCommand(XK_plus, 0));
}

TEST(NavigationKeys, ArrowsTurnAndPlusMinusZoomWhateverTheKeyboard) {
  EXPECT_EQ(navigationKey(XK_Left, 0), NavigationKey::Left);
  EXPECT_EQ(navigationKey(XK_KP_Right, 0), NavigationKey::Right);
  EXPECT_EQ(navigationKey(XK_Up, 0), NavigationKey::Up);
  EXPECT_EQ(navigationKey(XK_Down, 0), NavigationKey::Down);
  // + is Shift+= on a US keyboard, a key of its own on others, and on the keypad.
  EXPECT_EQ(navigationKey(XK_equal, kShift), NavigationKey::ZoomIn);
  EXPECT_EQ(navigationKey(XK_plus, 0), NavigationKey::ZoomIn);
  EXPECT_EQ(navigationKey(XK_KP_Add, 0), NavigationKey::ZoomIn);
  EXPECT_EQ(navigationKey(XK_minus, 0), NavigationKey::ZoomOut);
  EXPECT_EQ(navigationKey(XK_KP_Subtract, 0), NavigationKey::ZoomOut);
  EXPECT_FALSE(navigationKey(XK_Left, kControl));
  EXPECT_FALSE(navigationKey(XK_plus, kAlt));
  EXPECT_FALSE(navigationKey(XK_a, 0));
}

}  // namespace
}  // namespace skylacer::viewer
