// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/imaging/photo_metadata.h"

#include "platform/imaging/icc_profile.h"

namespace skylacer::imaging {
namespace {

constexpr std::uint8_t kApp0 = 0xE0;
constexpr std::uint8_t kApp1 = 0xE1;
constexpr std::uint8_t kApp2 = 0xE2;

void appendSegment(std::vector<std::uint8_t>& bytes, std::uint8_t marker,
                   std::span<const std::uint8_t> payload) {
  const std::size_t length = payload.size() + 2;
  bytes.insert(bytes.end(), {0xFF, marker, static_cast<std::uint8_t>(length >> 8),
                             static_cast<std::uint8_t>(length)});
  bytes.insert(bytes.end(), payload.begin(), payload.end());
}

// Where segments may be inserted: after the start-of-image marker and, when one follows it
// directly, the JFIF segment, which must come first.
std::size_t insertionPoint(std::span<const std::uint8_t> jpeg) {
  constexpr std::size_t kAfterStart = 2;
  if (jpeg.size() < kAfterStart + 4 || jpeg[kAfterStart] != 0xFF || jpeg[kAfterStart + 1] != kApp0)
    return kAfterStart;
  const std::size_t length = (std::size_t{jpeg[kAfterStart + 2]} << 8) | jpeg[kAfterStart + 3];
  const std::size_t end = kAfterStart + 2 + length;
  return end <= jpeg.size() ? end : kAfterStart;
}

}  // namespace

std::vector<std::uint8_t> withCarriedMetadata(std::span<const std::uint8_t> jpeg,
                                              const PhotoMetadata& metadata) {
  const auto iccSegments = iccPayloads(metadata.iccProfile);
  if (jpeg.size() < 2 || (!metadata.exif.dateTimeOriginal && iccSegments.empty()))
    return {jpeg.begin(), jpeg.end()};
  const std::size_t split = insertionPoint(jpeg);
  std::vector<std::uint8_t> bytes(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(split));
  if (metadata.exif.dateTimeOriginal)
    appendSegment(bytes, kApp1, exifPayloadWithCaptureDate(*metadata.exif.dateTimeOriginal));
  for (const auto& payload : iccSegments) appendSegment(bytes, kApp2, payload);
  bytes.insert(bytes.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(split), jpeg.end());
  return bytes;
}

}  // namespace skylacer::imaging
