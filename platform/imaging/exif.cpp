// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/imaging/exif.h"

#include <cctype>
#include <iterator>

namespace skylacer::imaging {
namespace {

constexpr std::uint16_t kTagOrientation = 0x0112;
constexpr std::uint16_t kTagExifDirectory = 0x8769;
constexpr std::uint16_t kTagExifVersion = 0x9000;
constexpr std::uint16_t kTagDateTimeOriginal = 0x9003;
constexpr std::uint16_t kTagFocalLength = 0x920A;
constexpr std::uint16_t kTagPixelXDimension = 0xA002;
constexpr std::uint16_t kTagPixelYDimension = 0xA003;
constexpr std::uint16_t kTagFocalPlaneXResolution = 0xA20E;
constexpr std::uint16_t kTagFocalPlaneYResolution = 0xA20F;
constexpr std::uint16_t kTagFocalPlaneResolutionUnit = 0xA210;
constexpr std::uint16_t kTagFocalLengthIn35mmFilm = 0xA405;

enum FieldType : std::uint16_t {
  kAscii = 2,
  kShort = 3,
  kLong = 4,
  kRational = 5,
  kUndefined = 7,
  kSignedRational = 10,
};

constexpr std::size_t kEntryBytes = 12;
constexpr std::size_t kDateLength = 19;  // "YYYY:MM:DD HH:MM:SS"

// One directory entry: its tag, type, count, and where its value lies in the block (inside the
// entry when it fits in four bytes, else at the offset the entry holds).
struct Entry {
  std::uint16_t tag = 0;
  std::uint16_t type = 0;
  std::uint32_t count = 0;
  std::size_t valueOffset = 0;
};

// Bounds-checked reads in the block's byte order.
class TiffBytes {
 public:
  TiffBytes(std::span<const std::uint8_t> bytes, bool littleEndian)
      : bytes_(bytes), littleEndian_(littleEndian) {}

  bool holds(std::size_t offset, std::size_t count) const {
    return offset <= bytes_.size() && count <= bytes_.size() - offset;
  }
  std::uint32_t unsigned16(std::size_t offset) const { return read(offset, 2); }
  std::uint32_t unsigned32(std::size_t offset) const { return read(offset, 4); }
  std::uint8_t byte(std::size_t offset) const { return bytes_[offset]; }

 private:
  // `size` bytes at `offset`, which the caller has checked with holds().
  std::uint32_t read(std::size_t offset, std::size_t size) const {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < size; ++i) {
      const std::uint32_t next = bytes_[offset + (littleEndian_ ? size - 1 - i : i)];
      value = (value << 8) | next;
    }
    return value;
  }

  std::span<const std::uint8_t> bytes_;
  bool littleEndian_;
};

std::size_t typeSize(std::uint16_t type) {
  switch (type) {
    case kShort:
      return 2;
    case kLong:
      return 4;
    case kRational:
    case kSignedRational:
      return 8;
    default:
      return 1;
  }
}

// The entries of the directory at `offset` whose values lie wholly inside the block; entries
// beyond the block's end are not read.
std::vector<Entry> readDirectory(const TiffBytes& tiff, std::size_t offset) {
  std::vector<Entry> entries;
  if (!tiff.holds(offset, 2)) return entries;
  const std::uint32_t count = tiff.unsigned16(offset);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t at = offset + 2 + i * kEntryBytes;
    if (!tiff.holds(at, kEntryBytes)) break;
    Entry entry{static_cast<std::uint16_t>(tiff.unsigned16(at)),
                static_cast<std::uint16_t>(tiff.unsigned16(at + 2)), tiff.unsigned32(at + 4), 0};
    const std::uint64_t size = std::uint64_t{entry.count} * typeSize(entry.type);
    entry.valueOffset = size <= 4 ? at + 8 : tiff.unsigned32(at + 8);
    if (entry.count == 0 || !tiff.holds(entry.valueOffset, static_cast<std::size_t>(size)))
      continue;
    entries.push_back(entry);
  }
  return entries;
}

std::optional<std::uint32_t> unsignedValue(const TiffBytes& tiff, const Entry& entry) {
  if (entry.type == kShort) return tiff.unsigned16(entry.valueOffset);
  if (entry.type == kLong) return tiff.unsigned32(entry.valueOffset);
  return std::nullopt;
}

std::optional<int> positiveInteger(const TiffBytes& tiff, const Entry& entry) {
  const std::optional<std::uint32_t> value = unsignedValue(tiff, entry);
  if (!value || *value == 0 || *value > 0x7FFFFFFFu) return std::nullopt;
  return static_cast<int>(*value);
}

std::optional<double> positiveRational(const TiffBytes& tiff, const Entry& entry) {
  if (entry.type != kRational && entry.type != kSignedRational) return std::nullopt;
  const std::uint32_t numerator = tiff.unsigned32(entry.valueOffset);
  const std::uint32_t denominator = tiff.unsigned32(entry.valueOffset + 4);
  if (entry.type == kSignedRational) {
    const auto signedNumerator = static_cast<std::int32_t>(numerator);
    const auto signedDenominator = static_cast<std::int32_t>(denominator);
    if (signedNumerator <= 0 || signedDenominator <= 0) return std::nullopt;
    return static_cast<double>(signedNumerator) / signedDenominator;
  }
  if (numerator == 0 || denominator == 0) return std::nullopt;
  return static_cast<double>(numerator) / denominator;
}

// "YYYY:MM:DD HH:MM:SS" with digits where digits belong; cameras write blanks or zeros when
// their clock was not set, which is no date.
std::optional<std::string> dateValue(const TiffBytes& tiff, const Entry& entry) {
  if (entry.type != kAscii || entry.count < kDateLength) return std::nullopt;
  std::string date;
  for (std::size_t i = 0; i < kDateLength; ++i)
    date.push_back(static_cast<char>(tiff.byte(entry.valueOffset + i)));
  for (std::size_t i = 0; i < kDateLength; ++i) {
    const char separator = i == 10 ? ' ' : (i == 4 || i == 7 || i == 13 || i == 16) ? ':' : 0;
    const bool fits = separator != 0 ? date[i] == separator
                                     : std::isdigit(static_cast<unsigned char>(date[i])) != 0;
    if (!fits) return std::nullopt;
  }
  if (date.compare(0, 10, "0000:00:00") == 0) return std::nullopt;
  return date;
}

void readExifDirectory(const TiffBytes& tiff, std::size_t offset, ExifData& exif) {
  for (const Entry& entry : readDirectory(tiff, offset)) {
    switch (entry.tag) {
      case kTagFocalLength:
        exif.focalLengthMm = positiveRational(tiff, entry);
        break;
      case kTagFocalLengthIn35mmFilm:
        exif.focalLength35mm = positiveInteger(tiff, entry);
        break;
      case kTagFocalPlaneXResolution:
        exif.focalPlaneXResolution = positiveRational(tiff, entry);
        break;
      case kTagFocalPlaneYResolution:
        exif.focalPlaneYResolution = positiveRational(tiff, entry);
        break;
      case kTagFocalPlaneResolutionUnit:
        exif.focalPlaneResolutionUnit = positiveInteger(tiff, entry);
        if (exif.focalPlaneResolutionUnit && *exif.focalPlaneResolutionUnit > 5)
          exif.focalPlaneResolutionUnit.reset();
        break;
      case kTagPixelXDimension:
        exif.pixelXDimension = positiveInteger(tiff, entry);
        break;
      case kTagPixelYDimension:
        exif.pixelYDimension = positiveInteger(tiff, entry);
        break;
      case kTagDateTimeOriginal:
        exif.dateTimeOriginal = dateValue(tiff, entry);
        break;
      default:
        break;
    }
  }
}

void append16(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
  bytes.push_back(static_cast<std::uint8_t>(value));
  bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

void append32(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
  append16(bytes, value & 0xFFFF);
  append16(bytes, value >> 16);
}

void appendEntry(std::vector<std::uint8_t>& bytes, std::uint16_t tag, std::uint16_t type,
                 std::uint32_t count, std::uint32_t value) {
  append16(bytes, tag);
  append16(bytes, type);
  append32(bytes, count);
  append32(bytes, value);
}

}  // namespace

ExifData readExif(std::span<const std::uint8_t> bytes) {
  ExifData exif;
  if (bytes.size() < 8) return exif;
  const bool littleEndian = bytes[0] == 'I' && bytes[1] == 'I';
  const bool bigEndian = bytes[0] == 'M' && bytes[1] == 'M';
  if (!littleEndian && !bigEndian) return exif;
  const TiffBytes tiff(bytes, littleEndian);
  if (tiff.unsigned16(2) != 42) return exif;
  const std::uint32_t firstDirectory = tiff.unsigned32(4);
  for (const Entry& entry : readDirectory(tiff, firstDirectory)) {
    if (entry.tag == kTagOrientation) {
      const std::optional<int> orientation = positiveInteger(tiff, entry);
      if (orientation && *orientation <= 8) exif.orientation = orientation;
    } else if (entry.tag == kTagExifDirectory) {
      const std::optional<std::uint32_t> offset = unsignedValue(tiff, entry);
      if (offset && *offset != firstDirectory) readExifDirectory(tiff, *offset, exif);
    }
  }
  return exif;
}

std::vector<std::uint8_t> exifPayloadWithCaptureDate(const std::string& date) {
  // Layout: signature, TIFF header (8), first directory with one entry pointing at the EXIF
  // directory (2 + 12 + 4), the EXIF directory with two entries (2 + 24 + 4), then the date.
  constexpr std::uint32_t kFirstDirectory = 8;
  constexpr std::uint32_t kExifDirectory = kFirstDirectory + 2 + kEntryBytes + 4;
  constexpr std::uint32_t kDateOffset = kExifDirectory + 2 + 2 * kEntryBytes + 4;
  std::vector<std::uint8_t> bytes;
  bytes.reserve(kDateOffset + std::size(kExifSignature) + kDateLength + 1);
  for (const std::uint8_t byte : kExifSignature) bytes.push_back(byte);
  for (const std::uint8_t byte :
       {std::uint8_t{'I'}, std::uint8_t{'I'}, std::uint8_t{42}, std::uint8_t{0}})
    bytes.push_back(byte);
  append32(bytes, kFirstDirectory);
  append16(bytes, 1);
  appendEntry(bytes, kTagExifDirectory, kLong, 1, kExifDirectory);
  append32(bytes, 0);
  append16(bytes, 2);
  // Version 2.3, written as four characters in the value field.
  appendEntry(bytes, kTagExifVersion, kUndefined, 4, 0x30333230);
  appendEntry(bytes, kTagDateTimeOriginal, kAscii, kDateLength + 1, kDateOffset);
  append32(bytes, 0);
  std::string text = date.substr(0, kDateLength);
  text.resize(kDateLength, ' ');
  bytes.insert(bytes.end(), text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}

}  // namespace skylacer::imaging
