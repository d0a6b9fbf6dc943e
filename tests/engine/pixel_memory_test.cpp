// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/pixel_memory.h"

#include <gtest/gtest.h>
#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <span>
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

// Whether the kernel moves pages and leaves their old range mapped (Linux 5.7 on).
bool kernelMovesPagesLeavingThemMapped() {
  constexpr std::size_t kBytes = 4096;
  void* from = mmap(nullptr, kBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  void* to = mmap(nullptr, kBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  const bool moved =
      from != MAP_FAILED && to != MAP_FAILED &&
      mremap(from, kBytes, kBytes, MREMAP_MAYMOVE | MREMAP_FIXED | MREMAP_DONTUNMAP, to) == to;
  if (from != MAP_FAILED) munmap(from, kBytes);
  if (to != MAP_FAILED) munmap(to, kBytes);
  return moved;
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

TEST(PixelMemory, MovedPagesCarryTheirBytesIntoTheWholeLargePagesFromBeginToEnd) {
  constexpr std::size_t kLarge = std::size_t{2} << 20;
  UnfilledRgbImage from(3 * kLarge + 12345);
  for (std::size_t i = 0; i < from.size(); ++i) from[i] = static_cast<std::uint8_t>(i * 7 + 1);
  UnfilledRgbImage to(8 * kLarge + 777);
  if (mappingFlags(to.data()).empty()) GTEST_SKIP() << "the sanitizer's heap holds the buffers";
  if (!kernelMovesPagesLeavingThemMapped()) GTEST_SKIP() << "the kernel moves no pages so";
  std::fill(to.begin(), to.begin() + kLarge + 5, std::uint8_t{200});  // what is painted so far

  // From byte kLarge + 5 on: the pages from 2 kLarge, as many as reach 3 kLarge + 1.
  const std::span<std::uint8_t> moved = movePixelPages(from, to, kLarge + 5, 3 * kLarge + 1);
  ASSERT_EQ(moved.data(), to.data() + 2 * kLarge);
  ASSERT_EQ(moved.size(), 2 * kLarge);
  std::size_t wrong = 0;
  for (std::size_t i = 0; i < moved.size(); ++i)
    wrong += moved[i] != static_cast<std::uint8_t>(i * 7 + 1) ? 1 : 0;
  for (std::size_t i = 0; i < kLarge + 5; ++i) wrong += to[i] != 200 ? 1 : 0;
  EXPECT_EQ(wrong, 0u);
  // Both stay whole buffers: written anywhere, freed as usual.
  std::fill(from.begin(), from.end(), std::uint8_t{1});
  std::fill(to.begin(), to.end(), std::uint8_t{2});

  // Past the pages `to` has, or out of a buffer in the heap, nothing moves.
  EXPECT_TRUE(movePixelPages(from, to, 8 * kLarge, to.size()).empty());
  UnfilledRgbImage small(kLarge);
  EXPECT_TRUE(movePixelPages(small, to, 4 * kLarge, 6 * kLarge).empty());
  EXPECT_TRUE(movePixelPages(from, small, 0, small.size()).empty());
}

}  // namespace
}  // namespace skylacer
