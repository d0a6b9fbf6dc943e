// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/pixel_memory.h"

#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/buffers.h"

namespace skylacer {
namespace {

constexpr std::size_t kPage = 4096;

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

TEST(MakeRowsResident, MakesExactlyTheRowsColumnRangePagesResidentAndKeepsTheirBytes) {
  // A mapping of its own, five rows of four pages; bytes 5000..9000 of rows 1 and 2 lie on the
  // rows' second and third pages.
  const std::size_t stride = 4 * kPage;
  const std::size_t bytes = 5 * stride;
  auto* buffer = static_cast<std::uint8_t*>(
      mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  ASSERT_NE(buffer, MAP_FAILED);
  buffer[stride + 6000] = 42;  // written before: must survive
  makeRowsResident(buffer, stride, 1, 3, 5000, 9000);

  std::vector<unsigned char> resident(bytes / kPage);  // bit 0: resident
  EXPECT_EQ(mincore(buffer, bytes, resident.data()), 0);
  for (std::size_t page = 0; page < resident.size(); ++page) {
    const std::size_t row = page / 4;
    const std::size_t inRow = page % 4;
    const bool expected = row >= 1 && row < 3 && (inRow == 1 || inRow == 2);
    EXPECT_EQ((resident[page] & 1) != 0, expected) << "page " << page;
  }
  EXPECT_EQ(buffer[stride + 6000], 42);
  EXPECT_EQ(buffer[2 * stride + 6000], 0);
  munmap(buffer, bytes);
}

TEST(PixelMemory, LargeAndSmallBuffersHoldEveryByteAndTheirLargeOnesKeepSmallPagesWhenAsked) {
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
  useSmallPages(panorama);
  const std::string after = mappingFlags(panorama.data());
  EXPECT_NE(after.find(" nh"), std::string::npos) << after;
  EXPECT_EQ(after.find(" hg"), std::string::npos) << after;
}

}  // namespace
}  // namespace skylacer
