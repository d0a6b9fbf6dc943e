// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/pixel_memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>

#include "engine/buffers.h"

namespace skylacer {
namespace {

// The flags /proc/self/smaps gives the mapping that starts at `address`; empty when none does.
std::string mappingFlags(const void* address) {
  std::ifstream smaps("/proc/self/smaps");
  std::ostringstream start;
  start << std::hex << reinterpret_cast<std::uintptr_t>(address) << '-';
  bool inside = false;
  for (std::string line; std::getline(smaps, line);) {
    if (line.rfind(start.str(), 0) == 0) inside = true;
    if (inside && line.rfind("VmFlags:", 0) == 0) return line;
  }
  return {};
}

TEST(PixelMemory, LargeAndSmallBuffersHoldEveryByteAndTheLargeOnesAskForLargePages) {
  // Sizes below, at and above the size from which a buffer is mapped on its own, none a whole
  // number of pages.
  for (const std::size_t bytes :
       {std::size_t{1} << 20, (std::size_t{4} << 20) + 3, (std::size_t{9} << 20) + 12345}) {
    UnfilledRgbImage pixels(bytes);
    for (std::size_t i = 0; i < bytes; ++i) pixels[i] = static_cast<std::uint8_t>(i * 7);
    std::size_t wrong = 0;
    for (std::size_t i = 0; i < bytes; ++i)
      wrong += pixels[i] != static_cast<std::uint8_t>(i * 7) ? 1 : 0;
    EXPECT_EQ(wrong, 0u) << bytes;
  }

  UnfilledRgbImage panorama((std::size_t{9} << 20) + 12345);
  const std::string before = mappingFlags(panorama.data());
  if (before.empty()) GTEST_SKIP() << "the sanitizer's heap holds the buffer, not a mapping";
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(panorama.data()) % (std::size_t{2} << 20), 0u);
  EXPECT_NE(before.find(" hg"), std::string::npos) << before;
}

}  // namespace
}  // namespace skylacer
