// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "platform/imaging/bitmap.h"
#include "platform/imaging/photo_metadata.h"

namespace skylacer::imaging {

enum class EncodedFormat { Jpeg, Png };

// What a picture's first bytes say about it.
struct PictureHeader {
  EncodedFormat format = EncodedFormat::Jpeg;
  int width = 0;
  int height = 0;
  PixelFormat pixelFormat = PixelFormat::Undefined;
  // A JPEG whose scans each refine the whole picture (progressive), rather than sequential
  // scans that run from the top row down.
  bool progressive = false;
  // A JPEG's EXIF fields (its first EXIF APP1 segment) and colour profile (its APP2 chunks), as
  // far as they come before the frame header; empty for a PNG.
  PhotoMetadata metadata;
};

// The kind of picture that starts with `bytes` by its signature alone, which lies in the first 8
// bytes; nothing when they start neither a JPEG nor a PNG picture.
std::optional<EncodedFormat> encodedFormatOf(std::span<const std::uint8_t> bytes);

// How many bytes from the start of a file are read first to find its header; when a JPEG's frame
// header lies further in, twice as many are read, and so on.
constexpr std::size_t kHeaderReadBytes = 64 * 1024;

// Reads the header from the first bytes of an encoded picture. Returns
// - Ok with `header` filled in;
// - InsufficientBuffer when the bytes end before the header does (more of the file is needed);
// - UnknownImageFormat when the bytes start neither a JPEG nor a PNG picture (also when empty);
// - GenericError for a damaged header, or a width or height of zero;
// - NotImplemented for kinds this layer does not decode (lossless, hierarchical or 12-bit JPEG,
//   CMYK JPEG);
// - ValueOverflow for more than kMaxPixels pixels.
// Of a JPEG only the segments before the frame header are read, never its tables or scans.
ImagingStatus readPictureHeader(std::span<const std::uint8_t> bytes, PictureHeader& header);

}  // namespace skylacer::imaging
