// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/imaging/picture_header.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "platform/imaging/icc_profile.h"

namespace skylacer::imaging {
namespace {

constexpr std::array<std::uint8_t, 8> kPngSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

unsigned bigEndian16(const std::uint8_t* bytes) {
  return (unsigned{bytes[0]} << 8) | bytes[1];
}

std::uint32_t bigEndian32(const std::uint8_t* bytes) {
  return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
         (std::uint32_t{bytes[2]} << 8) | bytes[3];
}

ImagingStatus checkPixelCount(const PictureHeader& header) {
  if (header.width <= 0 || header.height <= 0) return ImagingStatus::GenericError;
  if (std::int64_t{header.width} * header.height > kMaxPixels) return ImagingStatus::ValueOverflow;
  return ImagingStatus::Ok;
}

bool isFrameMarker(std::uint8_t marker) {
  // 0xC4 (Huffman tables), 0xC8 (reserved) and 0xCC (arithmetic conditioning) share the range.
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// The frame header (SOFn) segment starting at `segment`, the byte after its marker.
ImagingStatus readJpegFrame(std::uint8_t marker, std::span<const std::uint8_t> segment,
                            PictureHeader& header) {
  // length (2), precision (1), height (2), width (2), component count (1)
  if (segment.size() < 8) return ImagingStatus::InsufficientBuffer;
  if (bigEndian16(segment.data()) < 8) return ImagingStatus::GenericError;
  const bool sequential = marker == 0xC0 || marker == 0xC1 || marker == 0xC9;
  const bool progressive = marker == 0xC2 || marker == 0xCA;
  if (!sequential && !progressive) return ImagingStatus::NotImplemented;
  if (segment[2] != 8) return ImagingStatus::NotImplemented;
  const int components = segment[7];
  if (components == 1) {
    header.pixelFormat = PixelFormat::Gray8;
  } else if (components == 3) {
    header.pixelFormat = PixelFormat::Bgr24;
  } else {
    return components == 4 ? ImagingStatus::NotImplemented : ImagingStatus::GenericError;
  }
  header.format = EncodedFormat::Jpeg;
  header.height = static_cast<int>(bigEndian16(segment.data() + 3));
  header.width = static_cast<int>(bigEndian16(segment.data() + 5));
  header.progressive = progressive;
  return checkPixelCount(header);
}

constexpr std::uint8_t kApp1 = 0xE1;
constexpr std::uint8_t kApp2 = 0xE2;

// Walks the segments after the start-of-image marker up to the frame header, reading the EXIF
// block and the colour profile's chunks on the way and skipping every other body; stray bytes
// and fill bytes before a marker are passed over as the decoder does.
ImagingStatus readJpegHeader(std::span<const std::uint8_t> bytes, PictureHeader& header) {
  header.metadata = PhotoMetadata();
  bool exifRead = false;
  IccChunks iccChunks;
  std::size_t position = 2;
  for (;;) {
    while (position < bytes.size() && bytes[position] != 0xFF) ++position;
    while (position < bytes.size() && bytes[position] == 0xFF) ++position;
    if (position >= bytes.size()) return ImagingStatus::InsufficientBuffer;
    const std::uint8_t marker = bytes[position++];
    const bool standalone = marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7);
    if (standalone) continue;
    // A second start of image, an end of image or a scan before any frame header.
    if (marker == 0xD8 || marker == 0xD9 || marker == 0xDA) return ImagingStatus::GenericError;
    if (isFrameMarker(marker)) {
      header.metadata.iccProfile = iccChunks.profile();
      return readJpegFrame(marker, bytes.subspan(position), header);
    }
    if (bytes.size() - position < 2) return ImagingStatus::InsufficientBuffer;
    const unsigned length = bigEndian16(bytes.data() + position);
    if (length < 2) return ImagingStatus::GenericError;
    if (length <= bytes.size() - position) {
      const auto payload = bytes.subspan(position + 2, length - 2);
      const bool exif =
          payload.size() >= std::size(kExifSignature) &&
          std::equal(std::begin(kExifSignature), std::end(kExifSignature), payload.begin());
      if (marker == kApp1 && exif && !exifRead) {
        header.metadata.exif = readExif(payload.subspan(std::size(kExifSignature)));
        exifRead = true;
      }
      if (marker == kApp2) iccChunks.add(payload);
    }
    position += length;
  }
}

ImagingStatus readPngHeader(std::span<const std::uint8_t> bytes, PictureHeader& header) {
  // signature (8), chunk length (4), chunk type (4), 13 bytes of image header
  if (bytes.size() < 29) return ImagingStatus::InsufficientBuffer;
  const std::uint8_t* chunk = bytes.data() + kPngSignature.size();
  if (bigEndian32(chunk) != 13 || !std::equal(chunk + 4, chunk + 8, "IHDR"))
    return ImagingStatus::GenericError;
  const std::uint8_t* fields = chunk + 8;
  const std::uint32_t width = bigEndian32(fields);
  const std::uint32_t height = bigEndian32(fields + 4);
  const unsigned bitDepth = fields[8];
  const unsigned colourType = fields[9];
  const bool compressionFilterInterlaceValid =
      fields[10] == 0 && fields[11] == 0 && fields[12] <= 1;
  const bool eightOrSixteen = bitDepth == 8 || bitDepth == 16;
  const bool upToEight = bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8;
  switch (colourType) {
    case 0:  // grey
      if (!upToEight && bitDepth != 16) return ImagingStatus::GenericError;
      header.pixelFormat = PixelFormat::Gray8;
      break;
    case 2:  // colour
      if (!eightOrSixteen) return ImagingStatus::GenericError;
      header.pixelFormat = PixelFormat::Bgr24;
      break;
    case 3:  // palette
      if (!upToEight) return ImagingStatus::GenericError;
      header.pixelFormat = PixelFormat::Bgr24;
      break;
    case 4:  // grey and alpha
    case 6:  // colour and alpha
      if (!eightOrSixteen) return ImagingStatus::GenericError;
      header.pixelFormat = PixelFormat::Argb32;
      break;
    default:
      return ImagingStatus::GenericError;
  }
  if (!compressionFilterInterlaceValid || width > 0x7FFFFFFFu || height > 0x7FFFFFFFu)
    return ImagingStatus::GenericError;
  header.format = EncodedFormat::Png;
  header.width = static_cast<int>(width);
  header.height = static_cast<int>(height);
  header.progressive = false;
  return checkPixelCount(header);
}

}  // namespace

std::optional<EncodedFormat> encodedFormatOf(std::span<const std::uint8_t> bytes) {
  if (bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF)
    return EncodedFormat::Jpeg;
  if (bytes.size() >= kPngSignature.size() &&
      std::equal(kPngSignature.begin(), kPngSignature.end(), bytes.begin()))
    return EncodedFormat::Png;
  return std::nullopt;
}

ImagingStatus readPictureHeader(std::span<const std::uint8_t> bytes, PictureHeader& header) {
  const std::optional<EncodedFormat> format = encodedFormatOf(bytes);
  if (!format) return ImagingStatus::UnknownImageFormat;
  return *format == EncodedFormat::Jpeg ? readJpegHeader(bytes, header)
                                        : readPngHeader(bytes, header);
}

}  // namespace skylacer::imaging
