// SPDX-License-Identifier: GPL-3.0-or-later
// The profile import's reader of registry files. Beyond not crashing: whatever it accepts must
// come back unchanged through an export and a second reading.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "tuning/profile_reg_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace skylacer::tuning;
  const ProfileRegFileContent content =
      parseProfileRegFile(std::string_view(reinterpret_cast<const char*>(data), size));
  if (content.error || content.profiles.empty()) return 0;
  const ProfileRegFileContent again = parseProfileRegFile(formatProfileRegFile(content.profiles));
  if (again.error || again.profiles != content.profiles) std::abort();
  return 0;
}
