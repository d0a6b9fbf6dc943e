#include "viewer/accelerators.h"

#include <array>

namespace skylacer::viewer {
namespace {

struct Accelerator {
  int key;
  Qt::KeyboardModifiers modifiers;
  ViewerCommand command;
};

const std::array kAccelerators = {
    Accelerator{Qt::Key_F1, Qt::NoModifier, ViewerCommand::About},
    Accelerator{Qt::Key_Escape, Qt::NoModifier, ViewerCommand::Exit},
    Accelerator{Qt::Key_F4, Qt::AltModifier, ViewerCommand::Exit},
    Accelerator{Qt::Key_Return, Qt::AltModifier, ViewerCommand::Fullscreen},
    Accelerator{Qt::Key_Enter, Qt::AltModifier, ViewerCommand::Fullscreen},
    Accelerator{Qt::Key_PageDown, Qt::AltModifier, ViewerCommand::NextMode},
    Accelerator{Qt::Key_PageUp, Qt::AltModifier, ViewerCommand::PreviousMode},
    Accelerator{Qt::Key_F2, Qt::NoModifier, ViewerCommand::ShadeFlat},
    Accelerator{Qt::Key_F3, Qt::NoModifier, ViewerCommand::ShadeGouraud},
    Accelerator{Qt::Key_F4, Qt::NoModifier, ViewerCommand::ShadePhong},
    Accelerator{Qt::Key_O, Qt::ControlModifier, ViewerCommand::FilterNearest},
    Accelerator{Qt::Key_L, Qt::ControlModifier, ViewerCommand::FilterMipMapped},
    Accelerator{Qt::Key_P, Qt::ControlModifier, ViewerCommand::FillPoints},
    Accelerator{Qt::Key_W, Qt::ControlModifier, ViewerCommand::FillWireframe},
    Accelerator{Qt::Key_S, Qt::ControlModifier, ViewerCommand::FillSolid},
    Accelerator{Qt::Key_D, Qt::ControlModifier, ViewerCommand::Dither},
    Accelerator{Qt::Key_Space, Qt::NoModifier, ViewerCommand::SingleStep},
    Accelerator{Qt::Key_Return, Qt::NoModifier, ViewerCommand::AutoTurn},
    Accelerator{Qt::Key_Enter, Qt::NoModifier, ViewerCommand::AutoTurn},
    Accelerator{Qt::Key_F5, Qt::NoModifier, ViewerCommand::Lighting},
};

}  // namespace

std::optional<ViewerCommand> acceleratorCommand(int key, Qt::KeyboardModifiers modifiers) {
  modifiers &= ~Qt::KeypadModifier;
  for (const Accelerator& accelerator : kAccelerators)
    if (accelerator.key == key && accelerator.modifiers == modifiers) return accelerator.command;
  return std::nullopt;
}

}  // namespace skylacer::viewer
