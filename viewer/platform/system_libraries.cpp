// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/platform/system_libraries.h"

#include <dlfcn.h>

#include "viewer/platform/library_functions.h"

namespace skylacer::viewer::platform {
namespace {

std::optional<LibraryFailure> openLibrary(const char* file, void*& library) {
  library = dlopen(file, RTLD_NOW | RTLD_LOCAL);
  if (library != nullptr) return std::nullopt;
  const char* reason = dlerror();
  return LibraryFailure{file, reason != nullptr ? reason : "it cannot be loaded"};
}

LibraryFailure lacking(const char* file, const char* function) {
  return {file, std::string("it has no function ") + function};
}

template <typename Function>
bool findFunction(void* library, const char* name, Function& function) {
  function = reinterpret_cast<Function>(dlsym(library, name));
  return function != nullptr;
}

}  // namespace

std::optional<LibraryFailure> loadSystemLibraries() {
  void* x11 = nullptr;
  void* gl = nullptr;
  if (auto failure = openLibrary(kX11Library, x11)) return failure;
  if (auto failure = openLibrary(kGlLibrary, gl)) return failure;
#define SKYLACER_FIND(library, file, name) \
  if (!findFunction(library, #name, name)) return lacking(file, #name);
#define SKYLACER_FIND_X11(name) SKYLACER_FIND(x11, kX11Library, name)
#define SKYLACER_FIND_GL(name) SKYLACER_FIND(gl, kGlLibrary, name)
  // Every function is looked up before any is used: a library of the wrong kind is refused.
  SKYLACER_X11_FUNCTIONS(SKYLACER_FIND_X11)
  SKYLACER_GL_FUNCTIONS(SKYLACER_FIND_GL)
#undef SKYLACER_FIND_GL
#undef SKYLACER_FIND_X11
#undef SKYLACER_FIND
  return std::nullopt;
}

}  // namespace skylacer::viewer::platform
