// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// EXIF blocks built field by field in either byte order, for the reader to take apart, and
// JPEG files that carry them, written by libjpeg.

#include <cstdint>
#include <string>
#include <vector>

namespace skylacer::imaging::test {

// One directory entry: tag, type, count and its value's bytes in the block's byte order.
struct TiffField {
  std::uint16_t tag = 0;
  std::uint16_t type = 0;
  std::uint32_t count = 0;
  std::vector<std::uint8_t> value;
};

class TiffFields {
 public:
  explicit TiffFields(bool littleEndian) : littleEndian_(littleEndian) {}

  TiffField shortField(std::uint16_t tag, std::uint16_t value) const {
    return {tag, 3, 1, bytes(value, 2)};
  }
  TiffField longField(std::uint16_t tag, std::uint32_t value) const {
    return {tag, 4, 1, bytes(value, 4)};
  }
  TiffField rationalField(std::uint16_t tag, std::uint32_t numerator,
                          std::uint32_t denominator) const {
    std::vector<std::uint8_t> value = bytes(numerator, 4);
    const std::vector<std::uint8_t> second = bytes(denominator, 4);
    value.insert(value.end(), second.begin(), second.end());
    return {tag, 5, 1, value};
  }
  TiffField asciiField(std::uint16_t tag, const std::string& text) const {
    std::vector<std::uint8_t> value(text.begin(), text.end());
    value.push_back(0);
    return {tag, 2, static_cast<std::uint32_t>(value.size()), value};
  }

  // Header, the first directory (with a pointer to the EXIF directory when `exif` has fields),
  // the EXIF directory, then the values too long for their entries.
  std::vector<std::uint8_t> block(std::vector<TiffField> first,
                                  const std::vector<TiffField>& exif) const {
    const std::size_t firstSize = 2 + 12 * (first.size() + (exif.empty() ? 0 : 1)) + 4;
    const std::size_t exifStart = 8 + firstSize;
    if (!exif.empty()) first.push_back(longField(0x8769, static_cast<std::uint32_t>(exifStart)));
    const std::size_t exifSize = exif.empty() ? 0 : 2 + 12 * exif.size() + 4;
    std::vector<std::uint8_t> out = {littleEndian_ ? std::uint8_t{'I'} : std::uint8_t{'M'},
                                     littleEndian_ ? std::uint8_t{'I'} : std::uint8_t{'M'}};
    append(out, bytes(42, 2));
    append(out, bytes(8, 4));
    std::vector<std::uint8_t> extra;
    const std::size_t extraStart = exifStart + exifSize;
    auto directory = [&](const std::vector<TiffField>& fields) {
      append(out, bytes(static_cast<std::uint32_t>(fields.size()), 2));
      for (const TiffField& field : fields) {
        append(out, bytes(field.tag, 2));
        append(out, bytes(field.type, 2));
        append(out, bytes(field.count, 4));
        if (field.value.size() <= 4) {
          std::vector<std::uint8_t> inline_ = field.value;
          inline_.resize(4, 0);
          append(out, inline_);
        } else {
          append(out, bytes(static_cast<std::uint32_t>(extraStart + extra.size()), 4));
          append(extra, field.value);
        }
      }
      append(out, bytes(0, 4));
    };
    directory(first);
    if (!exif.empty()) directory(exif);
    append(out, extra);
    return out;
  }

 private:
  std::vector<std::uint8_t> bytes(std::uint32_t value, int size) const {
    std::vector<std::uint8_t> out(static_cast<std::size_t>(size));
    for (int i = 0; i < size; ++i) {
      const auto byte = static_cast<std::uint8_t>(value >> (8 * i));
      out[static_cast<std::size_t>(littleEndian_ ? i : size - 1 - i)] = byte;
    }
    return out;
  }
  static void append(std::vector<std::uint8_t>& to, const std::vector<std::uint8_t>& bytes) {
    to.insert(to.end(), bytes.begin(), bytes.end());
  }

  bool littleEndian_;
};

// "Exif\0\0" and the block: an APP1 payload.
inline std::vector<std::uint8_t> exifPayload(const std::vector<std::uint8_t>& block) {
  std::vector<std::uint8_t> payload = {'E', 'x', 'i', 'f', 0, 0};
  payload.insert(payload.end(), block.begin(), block.end());
  return payload;
}

}  // namespace skylacer::imaging::test
