// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/panorama_block.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

namespace skylacer::viewer {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes magic() { return Bytes(kPanoramaMagic.begin(), kPanoramaMagic.end()); }

Bytes joined(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// A stand-in for the viewer program: some code bytes holding the magic once.
Bytes program() { return joined({bytesOf("\x7f" "ELF code"), magic(), bytesOf("more code")}); }

Bytes header(double fieldOfView) {
  const auto bytes = panoramaBlockHeader(fieldOfView);
  return Bytes(bytes.begin(), bytes.end());
}

TEST(PanoramaBlock, HeaderStoresTheFieldOfViewLittleEndian) {
  const Bytes full = header(2 * std::numbers::pi);
  ASSERT_EQ(full.size(), 32u);
  EXPECT_EQ(Bytes(full.begin(), full.begin() + 24), magic());
  EXPECT_EQ(Bytes(full.begin() + 24, full.end()),
            (Bytes{0x18, 0x2D, 0x44, 0x54, 0xFB, 0x21, 0x19, 0x40}));
}

TEST(PanoramaBlock, IsTheSecondOccurrenceOfTheMagic) {
  const Bytes picture = bytesOf("\xFF\xD8 picture bytes");
  const Bytes file = joined({program(), header(1.25), picture});
  const auto block = findPanoramaBlock(file);
  ASSERT_TRUE(block);
  EXPECT_EQ(block->fieldOfView, 1.25);
  EXPECT_EQ(block->pictureOffset, program().size() + 32);
  EXPECT_EQ(Bytes(file.begin() + static_cast<std::ptrdiff_t>(block->pictureOffset), file.end()),
            picture);
}

TEST(PanoramaBlock, APictureHoldingTheMagicDoesNotMoveTheBlock) {
  const Bytes file = joined({program(), header(2.5), bytesOf("jpeg"), magic(), header(9)});
  const auto block = findPanoramaBlock(file);
  ASSERT_TRUE(block);
  EXPECT_EQ(block->fieldOfView, 2.5);
  EXPECT_EQ(block->pictureOffset, program().size() + 32);
}

TEST(PanoramaBlock, FilesWithoutABlock) {
  Bytes almostMagic = magic();
  almostMagic.back() = ' ';  // the 23 characters without the zero byte
  const Bytes shortMagic(kPanoramaMagic.begin(), kPanoramaMagic.end() - 1);
  const struct {
    const char* what;
    Bytes file;
  } cases[] = {
      {"empty file", {}},
      {"shorter than the magic", shortMagic},
      {"no magic at all", bytesOf("plain program bytes")},
      {"only the program's own constant", program()},
      {"second magic without its zero byte",
       joined({program(), almostMagic, Bytes(8, 0x3F), bytesOf("jpeg")})},
      {"no room for the field of view", joined({program(), magic(), Bytes(7, 0x40)})},
      {"magic at the very end", joined({program(), magic()})},
  };
  for (const auto& [what, file] : cases) {
    SCOPED_TRACE(what);
    EXPECT_FALSE(findPanoramaBlock(file));
  }
}

TEST(PanoramaBlock, AFieldOfViewWithoutPictureIsABlockWithAnEmptyPicture) {
  const Bytes file = joined({program(), header(std::numbers::pi)});
  const auto block = findPanoramaBlock(file);
  ASSERT_TRUE(block);
  EXPECT_EQ(block->fieldOfView, std::numbers::pi);
  EXPECT_EQ(block->pictureOffset, file.size());
}

}  // namespace
}  // namespace skylacer::viewer
