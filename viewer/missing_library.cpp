// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/missing_library.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "viewer/messages.h"
#include "viewer/platform/message_format.h"
#include "viewer/platform/programs.h"

namespace skylacer::viewer {
namespace {

// Started from a desktop (a launcher, a file manager): a display, and no terminal that would
// show the standard error.
bool startedFromDesktop() {
  const bool display =
      std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
  return display && isatty(STDERR_FILENO) == 0;
}

void showOnDesktop(const std::string& message) {
  const std::vector<std::vector<std::string>> tools{
      {"zenity", "--error", "--no-markup", std::string("--title=") + text::kAppTitle,
       "--text=" + message},
      {"kdialog", "--title", text::kAppTitle, "--error", message},
      {"notify-send", "--urgency=critical", text::kAppTitle, message},
      {"xmessage", "-center", message}};
  for (const std::vector<std::string>& tool : tools)
    if (platform::runProgram(tool)) return;
}

}  // namespace

void reportMissingLibrary(const platform::LibraryFailure& failure) {
  const bool x11 = failure.library == platform::kX11Library;
  const std::string message = platform::formatMessage(
      text::kLibraryMissing, x11 ? text::kX11LibraryName : text::kGlLibraryName,
      failure.library.c_str(), failure.reason.c_str(), x11 ? "libx11-6" : "libgl1");
  std::fputs(message.c_str(), stderr);
  if (startedFromDesktop()) showOnDesktop(message);
}

}  // namespace skylacer::viewer
