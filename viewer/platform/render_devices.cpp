// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/platform/render_devices.h"

namespace skylacer::viewer::platform {

bool isSoftwareRenderer(std::string_view glRenderer) {
  for (const std::string_view software : {"llvmpipe", "softpipe", "Software Rasterizer", "swrast"})
    if (glRenderer.find(software) != std::string_view::npos) return true;
  return false;
}

std::vector<RenderDevice> renderDevices(std::string_view runningRenderer, bool softwareRequested) {
  const bool runningSoftware = isSoftwareRenderer(runningRenderer);
  std::vector<RenderDevice> devices{{std::string(runningRenderer), runningSoftware, true}};
  if (!runningSoftware && !softwareRequested)
    devices.push_back({kSoftwareDeviceName, true, false});
  return devices;
}

}  // namespace skylacer::viewer::platform
