// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The X11 client library and libGL, loaded by the viewer itself when it starts rather than by
// the dynamic loader: on a machine that lacks one of them the viewer can still say which one
// is missing, where a program linked against them would not start at all. The functions it
// calls are listed in library_functions.h.

#include <optional>
#include <string>

namespace skylacer::viewer::platform {

inline constexpr char kX11Library[] = "libX11.so.6";
inline constexpr char kGlLibrary[] = "libGL.so.1";

struct LibraryFailure {
  std::string library;  // its file name, as the loader looks for it
  std::string reason;   // the loader's words, or the function it lacks
};

// Loads both libraries (they stay loaded) and finds every function of library_functions.h.
// Empty on success; otherwise the library that failed first and why: the viewer cannot run.
std::optional<LibraryFailure> loadSystemLibraries();

}  // namespace skylacer::viewer::platform
