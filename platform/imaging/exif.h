// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The EXIF block of a photo (the TIFF structure a JPEG carries in its APP1 segment after
// "Exif\0\0"): the few fields the program uses, read safely from any bytes, and a minimal block
// that carries a capture date into a picture we write.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace skylacer::imaging {

// Each field is present only when the block holds it with a usable value (a positive number,
// a well-formed date); a damaged or foreign block gives a record with every field absent.
struct ExifData {
  // Orientation (1-8): how the stored rows are to be turned for display, as TIFF numbers them.
  std::optional<int> orientation;
  // FocalLength: the lens's focal length in millimetres.
  std::optional<double> focalLengthMm;
  // FocalLengthIn35mmFilm: the focal length giving the same angle of view on a 36 x 24 mm frame,
  // whole millimetres.
  std::optional<int> focalLength35mm;
  // FocalPlaneXResolution, FocalPlaneYResolution: sensor pixels per focalPlaneResolutionUnit,
  // along the stored picture's x and y, at the size the camera recorded (pixelXDimension).
  std::optional<double> focalPlaneXResolution;
  std::optional<double> focalPlaneYResolution;
  // FocalPlaneResolutionUnit: 2 inch (the default when absent), 3 centimetre, 4 millimetre,
  // 5 micrometre.
  std::optional<int> focalPlaneResolutionUnit;
  // PixelXDimension, PixelYDimension: the stored picture's size as the camera recorded it.
  std::optional<int> pixelXDimension;
  std::optional<int> pixelYDimension;
  // DateTimeOriginal: when the photo was taken, "YYYY:MM:DD HH:MM:SS" (local time).
  std::optional<std::string> dateTimeOriginal;

  friend bool operator==(const ExifData&, const ExifData&) = default;
};

// Reads the block `tiff` (the bytes after "Exif\0\0"; either byte order). Every offset is checked
// against tiff.size(); only the first image directory and the EXIF directory it points to are
// read, so no chain of directories can loop.
ExifData readExif(std::span<const std::uint8_t> tiff);

// The bytes of an APP1 segment's payload ("Exif\0\0" and a little-endian block) holding only the
// EXIF version and DateTimeOriginal `date` ("YYYY:MM:DD HH:MM:SS").
std::vector<std::uint8_t> exifPayloadWithCaptureDate(const std::string& date);

// The marker that starts an EXIF APP1 payload.
inline constexpr std::uint8_t kExifSignature[] = {'E', 'x', 'i', 'f', 0, 0};

}  // namespace skylacer::imaging
