// SPDX-License-Identifier: GPL-3.0-or-later
// The stand-alone panorama viewer. It needs only the C library, the X11 client library and
// libGL at run time (the last two loaded once it runs, so that it can say when one is
// missing); Wayland desktops run it through XWayland.

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "viewer/messages.h"
#include "viewer/missing_library.h"
#include "viewer/start_options.h"
#include "viewer/viewer_app.h"

int main(int argc, char** argv) {
  using namespace skylacer::viewer;
  std::setlocale(LC_ALL, "");
  std::setlocale(LC_NUMERIC, "C");
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
  const std::string programName = argc > 0 && argv[0] != nullptr ? argv[0] : "viewer";
  CommandLine commandLine = parseCommandLine(arguments);
  if (commandLine.options && commandLine.options->help) {
    std::printf(text::kHelp, programName.c_str());
    return 0;
  }
  if (const auto failure = platform::loadSystemLibraries()) {
    reportMissingLibrary(*failure);
    return 1;
  }
  // The OpenGL driver is chosen when the first context is made: Mesa's software renderer for
  // "-emulation" and "-systemmemory". A bad command line is reported once the window shows.
  if (commandLine.options && commandLine.options->softwareRendering())
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);

  ViewerApp viewer(std::move(commandLine), std::move(arguments), programName);
  return viewer.run();
}
