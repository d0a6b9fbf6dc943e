// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The most memory a stitch may need before it is refused unstarted: photos whose headers claim
// huge pictures (a decompression bomb) are refused instead of filling the machine's memory.
// Both front ends ask this before decoding a photo.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace skylacer::shell {

// The setting that raises the limit: megabytes, under "Settings" of the user's store.
inline constexpr char kMemoryLimitSection[] = "Settings";
inline constexpr char kMemoryLimitEntry[] = "Memory limit";

// Three quarters of the machine's memory (the RAM or the control group's limit, whichever is
// smaller), raised to `settingMegabytes` when that is larger; 0 or less means no setting.
// Memory that cannot be told gives no limit.
std::uint64_t memoryLimit(std::int32_t settingMegabytes);

// The refusal when `needed` bytes exceed `limit`, with `raisedBy` saying how the user raises
// the limit: "the photos need about 9.4 GB of memory, more than the limit of 3.0 GB
// (--memory-limit raises it); nothing was written".
std::optional<std::string> memoryRefusal(std::string_view what, std::uint64_t needed,
                                         std::uint64_t limit, std::string_view raisedBy);

}  // namespace skylacer::shell
