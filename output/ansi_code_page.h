// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Paths stored by the Windows program are bytes in the ANSI code page of its locale 0x0019,
// Windows-1251 (Cyrillic). Paths written here are UTF-8.

#include <string>
#include <string_view>

namespace skylacer::output {

// Whether `bytes` is well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool isValidUtf8(std::string_view bytes);

// The bytes unchanged when they are valid UTF-8, otherwise read as Windows-1251 and converted
// to UTF-8 (the one unassigned byte 0x98 becomes U+0098, as Windows converts it).
std::string storedTextToUtf8(std::string_view bytes);

}  // namespace skylacer::output
