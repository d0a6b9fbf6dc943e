// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Big-endian byte streams: every multi-byte number of the movie file format, inside file
// atoms and inside atom containers alike, is stored most significant byte first.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace skylacer::toolbox {

// A four-character code such as 'moov', as its big-endian 32-bit value.
using FourCC = std::uint32_t;
constexpr FourCC fourCC(const char (&code)[5]) {
  return (FourCC(std::uint8_t(code[0])) << 24) | (FourCC(std::uint8_t(code[1])) << 16) |
         (FourCC(std::uint8_t(code[2])) << 8) | FourCC(std::uint8_t(code[3]));
}

// Appends big-endian values to a growing byte vector.
class ByteWriter {
 public:
  void u8(std::uint8_t value) { bytes_.push_back(value); }
  void u16(std::uint16_t value);
  void u32(std::uint32_t value);
  void i16(std::int16_t value) { u16(std::uint16_t(value)); }
  void i32(std::int32_t value) { u32(std::uint32_t(value)); }
  void f32(float value);  // IEEE single precision
  // Signed 16.16 fixed point; a value outside -32768..32767.99998 throws MovieToolboxError
  // (paramErr).
  void fixed16_16(double value);
  void zeros(std::size_t count) { bytes_.insert(bytes_.end(), count, 0); }
  void append(std::span<const std::uint8_t> data) {
    bytes_.insert(bytes_.end(), data.begin(), data.end());
  }
  void text(std::string_view characters) {
    bytes_.insert(bytes_.end(), characters.begin(), characters.end());
  }

  // Starts an atom of the file format (size and type) whose size endAtom fills in. Returns the
  // atom's start offset, to be handed to endAtom.
  std::size_t beginAtom(FourCC type);
  // A "full" atom: beginAtom plus a version byte and 24 bits of flags.
  std::size_t beginFullAtom(FourCC type, std::uint8_t version, std::uint32_t flags);
  void endAtom(std::size_t start);

  // Overwrites four bytes at `offset` with a big-endian value.
  void patchU32(std::size_t offset, std::uint32_t value);

  std::size_t size() const { return bytes_.size(); }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }
  std::vector<std::uint8_t> take() { return std::move(bytes_); }

 private:
  std::vector<std::uint8_t> bytes_;
};

// Reads big-endian values from a byte span; reading past its end throws MovieToolboxError
// (badDataErr), so a truncated or corrupt structure can never be read beyond its bounds.
class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::uint8_t u8();
  std::uint16_t u16();
  std::uint32_t u32();
  std::int32_t i32() { return std::int32_t(u32()); }
  double fixed16_16() { return i32() / 65536.0; }
  void skip(std::size_t count);
  std::span<const std::uint8_t> take(std::size_t count);

  std::size_t remaining() const { return bytes_.size() - position_; }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t position_ = 0;
};

}  // namespace skylacer::toolbox
