// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/pixel_memory.h"

#include <sys/mman.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <new>

namespace skylacer {

namespace {

constexpr std::size_t kOwnMappingBytes = std::size_t{4} << 20;
constexpr std::size_t kLargePageBytes = std::size_t{2} << 20;
constexpr std::size_t kPageBytes = 4096;

// AddressSanitizer sees overruns only in the memory its own allocator hands out.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kOwnMappings = false;
#elif defined(__has_feature)
constexpr bool kOwnMappings = !__has_feature(address_sanitizer);
#else
constexpr bool kOwnMappings = true;
#endif

std::size_t roundUp(std::size_t bytes, std::size_t unit) {
  return (bytes + unit - 1) / unit * unit;
}

// The whole 2 MiB pages of a buffer of `bytes` mapped on its own.
std::size_t largePart(std::size_t bytes) {
  return roundUp(bytes, kPageBytes) / kLargePageBytes * kLargePageBytes;
}

bool ownMapping(std::size_t bytes) {
  return kOwnMappings && bytes >= kOwnMappingBytes;
}

}  // namespace

void* allocatePixelMemory(std::size_t bytes) {
  if (!ownMapping(bytes)) return ::operator new(bytes);
  if (bytes > SIZE_MAX - 2 * kLargePageBytes) throw std::bad_alloc();
  const std::size_t length = roundUp(bytes, kPageBytes);
  // Mapped with room to move its start onto a 2 MiB boundary; the room is given back.
  const std::size_t mappedLength = length + kLargePageBytes - kPageBytes;
  void* mapped =
      mmap(nullptr, mappedLength, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) throw std::bad_alloc();
  const auto address = reinterpret_cast<std::uintptr_t>(mapped);
  const std::uintptr_t start = roundUp(address, kLargePageBytes);
  if (start != address) munmap(mapped, start - address);
  const std::uintptr_t end = start + length;
  const std::uintptr_t mappedEnd = address + mappedLength;
  if (mappedEnd != end) munmap(reinterpret_cast<void*>(end), mappedEnd - end);
  // A hint: without large pages (a kernel that has them switched off) the buffer works the same.
  madvise(reinterpret_cast<void*>(start), largePart(bytes), MADV_HUGEPAGE);
  return reinterpret_cast<void*>(start);
}

void freePixelMemory(void* memory, std::size_t bytes) noexcept {
  if (memory == nullptr) return;
  if (!ownMapping(bytes)) {
    ::operator delete(memory);
    return;
  }
  munmap(memory, roundUp(bytes, kPageBytes));
}

std::span<std::uint8_t> movePixelPages(std::span<std::uint8_t> from, std::span<std::uint8_t> to,
                                       std::size_t begin, std::size_t end) {
  if (!ownMapping(from.size()) || !ownMapping(to.size()) || begin >= end) return {};
  // Both buffers start on a 2 MiB boundary; their large pages are the whole 2 MiB ones.
  const std::size_t first = roundUp(begin, kLargePageBytes);
  const std::size_t last = std::min(roundUp(end, kLargePageBytes), largePart(to.size()));
  if (first >= last) return {};
  const std::size_t bytes = std::min(last - first, largePart(from.size()));
  std::uint8_t* into = to.data() + first;
  // The pages leave `from` mapped, empty, so that its range stays its own until it is freed.
  if (mremap(from.data(), bytes, bytes, MREMAP_MAYMOVE | MREMAP_FIXED | MREMAP_DONTUNMAP, into) !=
      MAP_FAILED)
    return {into, bytes};
  // A kernel without the flags refuses before touching anything. Another refusal may come after
  // the kernel has unmapped `to`'s pages there, which hold nothing of value: they are mapped
  // afresh either way, so that `to` has no hole another mapping could fall into.
  if (errno == EINVAL) return {};
  if (mmap(into, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) ==
      MAP_FAILED)
    throw std::bad_alloc();
  madvise(into, bytes, MADV_HUGEPAGE);
  return {};
}

}  // namespace skylacer
