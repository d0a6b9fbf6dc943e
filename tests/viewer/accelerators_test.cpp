#include "viewer/accelerators.h"

#include <gtest/gtest.h>

namespace skylacer::viewer {
namespace {

TEST(Accelerators, ModifiersTellKeysApart) {
  EXPECT_EQ(acceleratorCommand(Qt::Key_Return, Qt::NoModifier), ViewerCommand::AutoTurn);
  EXPECT_EQ(acceleratorCommand(Qt::Key_Enter, Qt::KeypadModifier), ViewerCommand::AutoTurn);
  EXPECT_EQ(acceleratorCommand(Qt::Key_Return, Qt::AltModifier), ViewerCommand::Fullscreen);
  EXPECT_EQ(acceleratorCommand(Qt::Key_F4, Qt::NoModifier), ViewerCommand::ShadePhong);
  EXPECT_EQ(acceleratorCommand(Qt::Key_F4, Qt::AltModifier), ViewerCommand::Exit);
  EXPECT_EQ(acceleratorCommand(Qt::Key_Escape, Qt::NoModifier), ViewerCommand::Exit);
  EXPECT_EQ(acceleratorCommand(Qt::Key_PageDown, Qt::AltModifier), ViewerCommand::NextMode);
  EXPECT_EQ(acceleratorCommand(Qt::Key_PageUp, Qt::AltModifier), ViewerCommand::PreviousMode);
  EXPECT_EQ(acceleratorCommand(Qt::Key_L, Qt::ControlModifier), ViewerCommand::FilterMipMapped);
  EXPECT_EQ(acceleratorCommand(Qt::Key_S, Qt::ControlModifier), ViewerCommand::FillSolid);
  EXPECT_EQ(acceleratorCommand(Qt::Key_Space, Qt::NoModifier), ViewerCommand::SingleStep);
}

TEST(Accelerators, OtherCombinationsHaveNoCommand) {
  EXPECT_FALSE(acceleratorCommand(Qt::Key_S, Qt::NoModifier));
  EXPECT_FALSE(acceleratorCommand(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier));
  EXPECT_FALSE(acceleratorCommand(Qt::Key_PageDown, Qt::NoModifier));
  EXPECT_FALSE(acceleratorCommand(Qt::Key_F1, Qt::ShiftModifier));
  EXPECT_FALSE(acceleratorCommand(Qt::Key_F6, Qt::NoModifier));
}

}  // namespace
}  // namespace skylacer::viewer
