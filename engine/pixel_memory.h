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
// Keeps small pages for a buffer from allocatePixelMemory that is written a column range at a
// time down all its rows, as the panorama is: with large pages, each spanning every column of
// some forty rows, it would be resident whole from its first column range on.
void useSmallPages(std::span<std::uint8_t> pixels) noexcept;
// Makes resident, before they are written, the pages holding bytes from..to - 1 of each row
// first..end - 1 of a buffer whose rows lie `stride` bytes apart: asked for a row at a time, a
// page costs the kernel and the hypervisor about half of what its first write would. The bytes
// keep their values; where the kernel cannot, the writes find the pages as before.
void makeRowsResident(std::uint8_t* buffer, std::size_t stride, std::size_t first, std::size_t end,
                      std::size_t from, std::size_t to) noexcept;
// Gives back memory from allocatePixelMemory, with the same `bytes`.
void freePixelMemory(void* memory, std::size_t bytes) noexcept;

}  // namespace skylacer
