// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/imaging/icc_profile.h"

#include <algorithm>
#include <iterator>

namespace skylacer::imaging {
namespace {

constexpr std::size_t kSignatureBytes = std::size(kIccSignature);
constexpr std::size_t kChunkHeaderBytes = kSignatureBytes + 2;
// A segment's length field counts itself (2 bytes) and holds at most 65535.
constexpr std::size_t kMostChunkBytes = 65535 - 2 - kChunkHeaderBytes;
constexpr std::size_t kMostChunks = 255;

}  // namespace

void IccChunks::add(std::span<const std::uint8_t> payload) {
  if (payload.size() < kChunkHeaderBytes ||
      !std::equal(std::begin(kIccSignature), std::end(kIccSignature), payload.begin()))
    return;
  chunks_.push_back(
      {payload[kSignatureBytes], payload[kSignatureBytes + 1], payload.subspan(kChunkHeaderBytes)});
}

std::vector<std::uint8_t> IccChunks::profile() const {
  if (chunks_.empty()) return {};
  const int count = chunks_.front().count;
  if (static_cast<std::size_t>(count) != chunks_.size()) return {};
  std::vector<const Chunk*> ordered(chunks_.size(), nullptr);
  for (const Chunk& chunk : chunks_) {
    if (chunk.count != count || chunk.number < 1 || chunk.number > count) return {};
    const Chunk*& slot = ordered[static_cast<std::size_t>(chunk.number - 1)];
    if (slot != nullptr) return {};
    slot = &chunk;
  }
  std::vector<std::uint8_t> profile;
  for (const Chunk* chunk : ordered)
    profile.insert(profile.end(), chunk->data.begin(), chunk->data.end());
  return profile;
}

std::vector<std::vector<std::uint8_t>> iccPayloads(std::span<const std::uint8_t> profile) {
  const std::size_t count = (profile.size() + kMostChunkBytes - 1) / kMostChunkBytes;
  if (count == 0 || count > kMostChunks) return {};
  std::vector<std::vector<std::uint8_t>> payloads;
  for (std::size_t i = 0; i < count; ++i) {
    const auto part = profile.subspan(
        i * kMostChunkBytes, std::min(kMostChunkBytes, profile.size() - i * kMostChunkBytes));
    std::vector<std::uint8_t> payload(std::begin(kIccSignature), std::end(kIccSignature));
    payload.push_back(static_cast<std::uint8_t>(i + 1));
    payload.push_back(static_cast<std::uint8_t>(count));
    payload.insert(payload.end(), part.begin(), part.end());
    payloads.push_back(std::move(payload));
  }
  return payloads;
}

}  // namespace skylacer::imaging
