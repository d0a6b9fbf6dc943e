// SPDX-License-Identifier: GPL-3.0-or-later
#include "movwriter/toolbox/big_endian.h"

#include <bit>
#include <cmath>
#include <limits>

#include "movwriter/toolbox/movie_error.h"

namespace skylacer::toolbox {

void ByteWriter::u16(std::uint16_t value) {
  u8(std::uint8_t(value >> 8));
  u8(std::uint8_t(value));
}

void ByteWriter::u32(std::uint32_t value) {
  u16(std::uint16_t(value >> 16));
  u16(std::uint16_t(value));
}

void ByteWriter::f32(float value) {
  u32(std::bit_cast<std::uint32_t>(value));
}

void ByteWriter::fixed16_16(double value) {
  if (!(value >= -32768.0 && value < 32768.0))
    throw MovieToolboxError(paramErr, "a value outside the 16.16 fixed-point range");
  i32(std::int32_t(std::lround(value * 65536.0)));
}

std::size_t ByteWriter::beginAtom(FourCC type) {
  const std::size_t start = bytes_.size();
  u32(0);
  u32(type);
  return start;
}

std::size_t ByteWriter::beginFullAtom(FourCC type, std::uint8_t version, std::uint32_t flags) {
  const std::size_t start = beginAtom(type);
  u32((std::uint32_t(version) << 24) | (flags & 0xFFFFFF));
  return start;
}

void ByteWriter::endAtom(std::size_t start) {
  const std::size_t size = bytes_.size() - start;
  if (size > std::numeric_limits<std::uint32_t>::max())
    throw MovieToolboxError(ioErr, "an atom is larger than 4 GiB");
  patchU32(start, std::uint32_t(size));
}

void ByteWriter::patchU32(std::size_t offset, std::uint32_t value) {
  bytes_.at(offset) = std::uint8_t(value >> 24);
  bytes_.at(offset + 1) = std::uint8_t(value >> 16);
  bytes_.at(offset + 2) = std::uint8_t(value >> 8);
  bytes_.at(offset + 3) = std::uint8_t(value);
}

std::span<const std::uint8_t> ByteReader::take(std::size_t count) {
  if (count > remaining()) throw MovieToolboxError(badDataErr, "a structure ends early");
  const auto part = bytes_.subspan(position_, count);
  position_ += count;
  return part;
}

void ByteReader::skip(std::size_t count) {
  take(count);
}

std::uint8_t ByteReader::u8() {
  return take(1)[0];
}

std::uint16_t ByteReader::u16() {
  const auto b = take(2);
  return std::uint16_t((b[0] << 8) | b[1]);
}

std::uint32_t ByteReader::u32() {
  const auto b = take(4);
  return (std::uint32_t(b[0]) << 24) | (std::uint32_t(b[1]) << 16) | (std::uint32_t(b[2]) << 8) |
         std::uint32_t(b[3]);
}

}  // namespace skylacer::toolbox
