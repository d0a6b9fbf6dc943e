// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The rendering devices the viewer offers. A process keeps the OpenGL driver it started with,
// so the list holds the running driver, named by its GL_RENDERER string, and, while that is a
// hardware driver and software rendering was not asked for, Mesa's software renderer under the
// name "Software" (choosing it starts the viewer again with software rendering).

#include <string>
#include <string_view>
#include <vector>

namespace skylacer::viewer::platform {

struct RenderDevice {
  std::string name;
  bool software = false;
  bool running = false;  // the driver this process draws with
};

inline constexpr int kMaxRenderDevices = 5;
inline constexpr char kSoftwareDeviceName[] = "Software";

// Whether a GL_RENDERER string names one of Mesa's software renderers.
bool isSoftwareRenderer(std::string_view glRenderer);

// The running driver first, then the software renderer as described above.
std::vector<RenderDevice> renderDevices(std::string_view runningRenderer, bool softwareRequested);

}  // namespace skylacer::viewer::platform
