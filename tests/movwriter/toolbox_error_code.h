// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The toolbox error an action ends with, for tests of refusals.

#include <functional>

#include "movwriter/toolbox/movie_error.h"

namespace skylacer::test {

// The code of the MovieToolboxError `action` throws; noErr when it returns normally.
inline toolbox::OSErr toolboxErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const toolbox::MovieToolboxError& error) {
    return error.code();
  }
  return toolbox::noErr;
}

}  // namespace skylacer::test
