// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/images.h"

#include <array>

#include "viewer/embedded_resources.h"

namespace skylacer::viewer {
namespace {

std::uint32_t read32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return std::uint32_t{bytes[at]} | std::uint32_t{bytes[at + 1]} << 8 |
         std::uint32_t{bytes[at + 2]} << 16 | std::uint32_t{bytes[at + 3]} << 24;
}

std::uint16_t read16(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<std::uint8_t>(value >> shift));
}

std::uint32_t crc32(std::span<const std::uint8_t> bytes) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  std::uint32_t crc = 0xFFFFFFFFu;
  for (const std::uint8_t byte : bytes) crc = table[(crc ^ byte) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

void chunk(std::vector<std::uint8_t>& out, const char (&type)[5],
           std::span<const std::uint8_t> data) {
  put32(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  put32(out, crc32(std::span(out).subspan(start)));
}

RgbaImage embedded(std::span<const std::uint8_t> file) {
  return decodeBmp(file).value_or(RgbaImage{});
}

}  // namespace

std::optional<RgbaImage> decodeBmp(std::span<const std::uint8_t> file) {
  constexpr std::size_t kHeaders = 14 + 40;
  if (file.size() < kHeaders || file[0] != 'B' || file[1] != 'M') return std::nullopt;
  const std::uint32_t offset = read32(file, 10);
  const auto width = static_cast<std::int32_t>(read32(file, 18));
  const auto signedHeight = static_cast<std::int32_t>(read32(file, 22));
  const std::uint16_t bits = read16(file, 28);
  const std::uint32_t compression = read32(file, 30);
  if (width < 1 || width > 4096 || signedHeight == 0 || signedHeight < -4096 ||
      signedHeight > 4096 || (bits != 24 && bits != 32) || compression != 0)
    return std::nullopt;
  const bool bottomUp = signedHeight > 0;
  const int height = bottomUp ? signedHeight : -signedHeight;
  const std::size_t bytesPerPixel = bits / 8;
  const std::size_t stride = (bytesPerPixel * static_cast<std::size_t>(width) + 3) / 4 * 4;
  if (offset > file.size() || file.size() - offset < stride * static_cast<std::size_t>(height))
    return std::nullopt;
  RgbaImage image;
  image.width = width;
  image.height = height;
  image.pixels.resize(static_cast<std::size_t>(width) * height * 4);
  for (int y = 0; y < height; ++y) {
    const std::size_t row =
        offset + stride * static_cast<std::size_t>(bottomUp ? height - 1 - y : y);
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* p = &file[row + bytesPerPixel * static_cast<std::size_t>(x)];
      std::uint8_t* q = &image.pixels[(static_cast<std::size_t>(y) * width + x) * 4];
      q[0] = p[2];
      q[1] = p[1];
      q[2] = p[0];
      q[3] = bits == 32 ? p[3] : 255;
    }
  }
  return image;
}

std::vector<std::uint8_t> encodePng(const RgbaImage& image) {
  // Rows of filter byte 0 and red, green, blue.
  std::vector<std::uint8_t> raw;
  const std::size_t rowBytes = 1 + 3 * static_cast<std::size_t>(image.width);
  raw.reserve(rowBytes * image.height);
  for (int y = 0; y < image.height; ++y) {
    raw.push_back(0);
    for (int x = 0; x < image.width; ++x) {
      const std::uint8_t* p = &image.pixels[(static_cast<std::size_t>(y) * image.width + x) * 4];
      raw.insert(raw.end(), p, p + 3);
    }
  }
  // zlib stream of stored deflate blocks (at most 65535 bytes each) and the Adler-32 sum.
  std::vector<std::uint8_t> z{0x78, 0x01};
  std::size_t at = 0;
  do {
    const std::size_t length = std::min<std::size_t>(65535, raw.size() - at);
    const bool last = at + length == raw.size();
    z.push_back(last ? 1 : 0);
    z.push_back(static_cast<std::uint8_t>(length));
    z.push_back(static_cast<std::uint8_t>(length >> 8));
    z.push_back(static_cast<std::uint8_t>(~length));
    z.push_back(static_cast<std::uint8_t>(~length >> 8));
    z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
             raw.begin() + static_cast<std::ptrdiff_t>(at + length));
    at += length;
  } while (at < raw.size());
  std::uint32_t a = 1;
  std::uint32_t b = 0;
  for (const std::uint8_t byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  put32(z, b << 16 | a);

  std::vector<std::uint8_t> out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<std::uint8_t> header;
  put32(header, static_cast<std::uint32_t>(image.width));
  put32(header, static_cast<std::uint32_t>(image.height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter, no interlace
  chunk(out, "IHDR", header);
  chunk(out, "IDAT", z);
  chunk(out, "IEND", {});
  return out;
}

const RgbaImage& toolbarNormalBitmap() {
  static const RgbaImage image = embedded(resources::kBitmap105);
  return image;
}

const RgbaImage& toolbarHighlightedBitmap() {
  static const RgbaImage image = embedded(resources::kBitmap104);
  return image;
}

const RgbaImage& appIcon() {
  static const RgbaImage image = embedded(resources::kAppIcon);
  return image;
}

}  // namespace skylacer::viewer
