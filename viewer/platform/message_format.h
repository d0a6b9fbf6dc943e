// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// printf-style formatting of the viewer's message texts.

#include <string>

namespace skylacer::viewer::platform {

// The text of `format` with its arguments, whatever its length.
std::string formatMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace skylacer::viewer::platform
