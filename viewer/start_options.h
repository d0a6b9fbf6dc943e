#pragma once

// The viewer's command line: the options "systemmemory" and "emulation".

#include <optional>
#include <string>
#include <string_view>

namespace skylacer::viewer {

struct StartOptions {
  // Restricts rendering to a software-emulated device.
  bool emulation = false;
  // Keeps every surface in system memory; implies emulation.
  bool systemMemory = false;

  bool softwareRendering() const { return emulation || systemMemory; }
};

// The command line as one text: the arguments after the program's name, joined by spaces.
std::string commandLineText(int argc, const char* const* argv);

// Splits the command line into tokens at spaces and hyphens and compares each token,
// case-sensitively, with "systemmemory" and "emulation"; so an option may be written with one
// hyphen, two or none, and options may repeat. Empty when any other token occurs.
std::optional<StartOptions> parseStartOptions(std::string_view commandLine);

}  // namespace skylacer::viewer
