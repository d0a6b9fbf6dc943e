// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The memory of the large pixel buffers (photographs kept for the composition, canvases, the
// panorama). On a virtual machine the first touch of each 4 KiB page costs microseconds in the
// kernel and the hypervisor, more than writing the page: a 12 MP photograph is 8 800 such pages.
// Buffers from 4 MiB up are therefore mapped on their own, starting on a 2 MiB boundary, and the
// kernel is asked to back them with 2 MiB pages where it has them (one fault where 512 were).
// Their last part short of 2 MiB keeps small pages, so that no buffer holds more memory than
// its bytes. Smaller buffers come from the heap, which reuses them.

#include <cstddef>
#include <cstdint>
#include <span>

namespace skylacer {

// `bytes` of memory whose contents have no value yet; std::bad_alloc when there is none.
void* allocatePixelMemory(std::size_t bytes);
// Gives back memory from allocatePixelMemory, with the same `bytes`.
void freePixelMemory(void* memory, std::size_t bytes) noexcept;

// Moves the memory of buffer `from` into buffer `to`, from byte `begin` of `to` on, where `to`
// must hold nothing of value yet (its bytes there are written before anything reads them): the
// bytes `to` has there then cost no first touch (no clearing by the kernel, no backing by the
// hypervisor), and `from` holds nothing of value instead. Both are whole buffers from
// allocatePixelMemory. Only whole 2 MiB pages move, from the start of `from` into those of `to`
// at or after `begin` until one reaches `end`; none where a buffer lies in the heap or the
// system does not move them. Returns the bytes of `to` that now hold what `from` held;
// std::bad_alloc when the system refuses and has no memory to map `to`'s bytes there again.
std::span<std::uint8_t> movePixelPages(std::span<std::uint8_t> from, std::span<std::uint8_t> to,
                                       std::size_t begin, std::size_t end);

}  // namespace skylacer
