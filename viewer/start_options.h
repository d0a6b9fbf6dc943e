// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The viewer's command line: the options "systemmemory" and "emulation", a request for help,
// and the path of a JPEG file to show when the program holds no panorama.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace skylacer::viewer {

struct StartOptions {
  // Restricts rendering to a software-emulated device.
  bool emulation = false;
  // Keeps every surface in system memory; implies emulation.
  bool systemMemory = false;
  // "-help" (or "--help", "-h", "-?"): the usage is printed and the viewer ends.
  bool help = false;

  bool softwareRendering() const { return emulation || systemMemory; }
};

// The command line as one text: the arguments after the program's name, joined by spaces.
std::string commandLineText(int argc, const char* const* argv);

// Splits the command line into tokens at spaces and hyphens and compares each token,
// case-sensitively, with "systemmemory" and "emulation" (and "help", "h", "?"); so an option
// may be written with one hyphen, two or none, and options may repeat. Empty when any other
// token occurs.
std::optional<StartOptions> parseStartOptions(std::string_view commandLine);

struct CommandLine {
  std::optional<StartOptions> options;  // empty: a word that is no option (reported)
  std::string picturePath;              // empty when none was given
};

// The arguments after the program's name. An argument that does not start with a hyphen and
// is not one of the option words is the path of the picture to show; only one may be given.
// Every other argument goes through parseStartOptions.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

}  // namespace skylacer::viewer
