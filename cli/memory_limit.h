#pragma once

// The most memory a run may need before it is refused unstarted: a photo whose header claims a
// huge picture (a decompression bomb) is refused instead of filling the machine's memory.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace skylacer::cli {

// A size in bytes from "123", "512K", "900M", "8G" or "1T" (powers of 1024); nothing for
// anything else, 0 and sizes past 2^64.
std::optional<std::uint64_t> parseMemorySize(std::string_view text);

// The limit: `option` when given; otherwise three quarters of the machine's memory (the RAM or
// the control group's limit, whichever is smaller), raised to the setting "Memory limit"
// (megabytes) under "Settings" of the user's store when that is larger.
std::uint64_t memoryLimit(std::optional<std::uint64_t> option);

// The refusal when `needed` bytes exceed `limit`: "the photos need about 9.4 GB of memory to
// stitch, more than the limit of 3.0 GB (--memory-limit raises it)".
std::optional<std::string> memoryRefusal(std::string_view what, std::uint64_t needed,
                                         std::uint64_t limit);

}  // namespace skylacer::cli
