// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/settings_commands.h"

namespace skylacer::viewer {

using platform::FillMode;
using platform::ShadeMode;
using platform::TextureFilter;

bool applySettingsCommand(ViewerCommand command, platform::DeviceSettings& settings) {
  switch (command) {
    case ViewerCommand::ShadeFlat: settings.shade = ShadeMode::Flat; return true;
    case ViewerCommand::ShadeGouraud: settings.shade = ShadeMode::Gouraud; return true;
    case ViewerCommand::ShadePhong: settings.shade = ShadeMode::Phong; return true;
    case ViewerCommand::FilterNearest: settings.filter = TextureFilter::Nearest; return true;
    case ViewerCommand::FilterMipMapped:
      if (settings.filter != TextureFilter::Linear) settings.filter = TextureFilter::MipMappedLinear;
      return true;
    case ViewerCommand::FillPoints: settings.fill = FillMode::Points; return true;
    case ViewerCommand::FillWireframe: settings.fill = FillMode::Wireframe; return true;
    case ViewerCommand::FillSolid: settings.fill = FillMode::Solid; return true;
    case ViewerCommand::Dither: settings.dither = !settings.dither; return true;
    case ViewerCommand::Lighting: settings.lighting = !settings.lighting; return true;
    default: return false;
  }
}

}  // namespace skylacer::viewer
