// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/accelerators.h"

#include <X11/keysym.h>

#include <array>

#include "viewer/platform/x_window.h"

namespace skylacer::viewer {
namespace {

using platform::kAlt;
using platform::kControl;

struct Accelerator {
  unsigned keysym;
  unsigned modifiers;
  ViewerCommand command;
};

const std::array kAccelerators = {
    Accelerator{XK_F1, 0, ViewerCommand::About},
    Accelerator{XK_Escape, 0, ViewerCommand::Exit},
    Accelerator{XK_F4, kAlt, ViewerCommand::Exit},
    Accelerator{XK_Return, kAlt, ViewerCommand::Fullscreen},
    Accelerator{XK_KP_Enter, kAlt, ViewerCommand::Fullscreen},
    Accelerator{XK_Page_Down, kAlt, ViewerCommand::NextMode},
    Accelerator{XK_KP_Page_Down, kAlt, ViewerCommand::NextMode},
    Accelerator{XK_Page_Up, kAlt, ViewerCommand::PreviousMode},
    Accelerator{XK_KP_Page_Up, kAlt, ViewerCommand::PreviousMode},
    Accelerator{XK_F2, 0, ViewerCommand::ShadeFlat},
    Accelerator{XK_F3, 0, ViewerCommand::ShadeGouraud},
    Accelerator{XK_F4, 0, ViewerCommand::ShadePhong},
    Accelerator{XK_o, kControl, ViewerCommand::FilterNearest},
    Accelerator{XK_l, kControl, ViewerCommand::FilterMipMapped},
    Accelerator{XK_p, kControl, ViewerCommand::FillPoints},
    Accelerator{XK_w, kControl, ViewerCommand::FillWireframe},
    Accelerator{XK_s, kControl, ViewerCommand::FillSolid},
    Accelerator{XK_d, kControl, ViewerCommand::Dither},
    Accelerator{XK_space, 0, ViewerCommand::SingleStep},
    Accelerator{XK_Return, 0, ViewerCommand::AutoTurn},
    Accelerator{XK_KP_Enter, 0, ViewerCommand::AutoTurn},
    Accelerator{XK_F5, 0, ViewerCommand::Lighting},
};

}  // namespace

std::optional<ViewerCommand> acceleratorCommand(unsigned keysym, unsigned modifiers) {
  for (const Accelerator& accelerator : kAccelerators)
    if (accelerator.keysym == keysym && accelerator.modifiers == modifiers)
      return accelerator.command;
  return std::nullopt;
}

}  // namespace skylacer::viewer
