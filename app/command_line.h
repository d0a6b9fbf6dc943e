// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The main program's command line. The arguments after the program's name are
//   --help or -h    the usage, on stdout;
//   --version       the program's name and version, on stdout;
//   PHOTO...        JPEG or PNG files (known by their first bytes), added to a new project
//                   with their absolute paths;
//   anything else   the path of a project to open: the arguments joined by spaces, with every
//                   double quote removed (a path with spaces may come unquoted, in pieces).
// Help and version are answered before Qt starts, so they need no display.

#include <QStringList>
#include <cstdio>
#include <string>
#include <vector>

namespace skylacer::app {

enum class InformationRequest { None, Help, Version };

// What the first argument asks for; None for a start of the program.
InformationRequest informationRequest(int argc, const char* const* argv);

// Writes the answer to `request` to `out`; false, with the reason on stderr, when it could not
// be written whole.
bool writeInformation(InformationRequest request, std::FILE* out);

// What the program opens at its start: a project, photos for a new project, or neither.
struct StartFiles {
  std::string project;
  std::vector<std::string> photos;
};

// `arguments` as QApplication::arguments() holds them, the program first.
StartFiles startFiles(const QStringList& arguments);

}  // namespace skylacer::app
