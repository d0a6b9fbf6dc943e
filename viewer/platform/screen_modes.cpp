#include "viewer/platform/screen_modes.h"

#include <memory>

// X11 headers last: they define macros such as Status, None and Bool.
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

namespace skylacer::viewer::platform {
namespace {

struct DisplayCloser {
  void operator()(Display* display) const { XCloseDisplay(display); }
};
struct ResourcesFreer {
  void operator()(XRRScreenResources* resources) const { XRRFreeScreenResources(resources); }
};

std::vector<DisplayMode> randrModes(int bitsPerPixel) {
  const std::unique_ptr<Display, DisplayCloser> display(XOpenDisplay(nullptr));
  if (!display) return {};
  int eventBase = 0;
  int errorBase = 0;
  if (!XRRQueryExtension(display.get(), &eventBase, &errorBase)) return {};
  const std::unique_ptr<XRRScreenResources, ResourcesFreer> resources(
      XRRGetScreenResourcesCurrent(display.get(), DefaultRootWindow(display.get())));
  if (!resources) return {};
  std::vector<DisplayMode> modes;
  for (int i = 0; i < resources->nmode; ++i)
    modes.push_back({static_cast<int>(resources->modes[i].width),
                     static_cast<int>(resources->modes[i].height), bitsPerPixel});
  return modes;
}

}  // namespace

std::vector<DisplayMode> screenDisplayModes(int bitsPerPixel) {
  std::vector<DisplayMode> modes = randrModes(bitsPerPixel);
  return modes.empty() ? commonDisplayModes(bitsPerPixel) : modes;
}

}  // namespace skylacer::viewer::platform
