// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The memory limit of one panorama-cli run: "--memory-limit SIZE", or the shared limit with the
// setting of the user's store.

#include <cstdint>
#include <optional>
#include <string_view>

namespace skylacer::cli {

// How a refusal tells the user to raise the limit.
inline constexpr std::string_view kMemoryLimitHint = "--memory-limit raises it";

// A size in bytes from "123", "512K", "900M", "8G" or "1T" (powers of 1024); nothing for
// anything else, 0 and sizes past 2^64.
std::optional<std::uint64_t> parseMemorySize(std::string_view text);

// The limit: `option` when given; otherwise shell::memoryLimit with the setting "Memory limit"
// of the user's store (read only; a missing store holds no setting).
std::uint64_t memoryLimit(std::optional<std::uint64_t> option);

}  // namespace skylacer::cli
