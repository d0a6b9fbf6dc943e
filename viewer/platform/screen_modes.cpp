// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/platform/screen_modes.h"

#include <dlfcn.h>

// X headers last: they define macros such as Status, None and Bool.
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

namespace skylacer::viewer::platform {
namespace {

using QueryExtension = Bool (*)(Display*, int*, int*);
using GetResources = XRRScreenResources* (*)(Display*, Window);
using FreeResources = void (*)(XRRScreenResources*);

}  // namespace

std::vector<DisplayMode> screenDisplayModes(void* display, int bitsPerPixel) {
  std::vector<DisplayMode> modes;
  auto* x = static_cast<Display*>(display);
  if (x == nullptr) return modes;
  // Not linked: the viewer needs no library beyond libc, libX11 and libGL to start.
  void* library = dlopen("libXrandr.so.2", RTLD_LAZY | RTLD_LOCAL);
  if (library == nullptr) return modes;
  const auto query = reinterpret_cast<QueryExtension>(dlsym(library, "XRRQueryExtension"));
  const auto get = reinterpret_cast<GetResources>(dlsym(library, "XRRGetScreenResourcesCurrent"));
  const auto release = reinterpret_cast<FreeResources>(dlsym(library, "XRRFreeScreenResources"));
  int eventBase = 0;
  int errorBase = 0;
  if (query != nullptr && get != nullptr && release != nullptr &&
      query(x, &eventBase, &errorBase)) {
    if (XRRScreenResources* resources = get(x, DefaultRootWindow(x))) {
      for (int i = 0; i < resources->nmode; ++i)
        modes.push_back({static_cast<int>(resources->modes[i].width),
                         static_cast<int>(resources->modes[i].height), bitsPerPixel});
      release(resources);
    }
  }
  // The library stays loaded: Xlib keeps its extension hooks for the display.
  return modes;
}

}  // namespace skylacer::viewer::platform
