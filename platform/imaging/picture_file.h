// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Reading and writing the files that hold encoded pictures, with failures given as imaging
// status codes: a missing file or folder is FileNotFound, a refused permission AccessDenied.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/imaging/bitmap.h"

namespace skylacer::imaging {

// Encoded files larger than this many bytes are refused (ValueOverflow) before they are read.
constexpr std::uint64_t kMaxEncodedBytes = std::uint64_t{4} * kMaxPixels;

// Reads the first min(maxBytes, file size) bytes of the file at `path` (UTF-8) into `bytes` and
// its whole size into `fileSize`. A path that names no regular file (a folder, a device) is
// FileNotFound.
ImagingStatus readFileStart(const std::string& path, std::size_t maxBytes,
                            std::vector<std::uint8_t>& bytes, std::uint64_t& fileSize);

// A whole file's bytes, in memory that the read fills without its being cleared first.
struct FileBytes {
  std::unique_ptr<std::uint8_t[]> data;
  std::size_t size = 0;

  std::span<const std::uint8_t> view() const { return {data.get(), size}; }
};

// Reads the whole file into `bytes`.
ImagingStatus readWholeFile(const std::string& path, FileBytes& bytes);

// Creates or replaces the file at `path` with `bytes`. A file that cannot be written whole is
// removed again; errors other than a refused permission are Win32Error (the operating system's
// failure, as the callers report it).
ImagingStatus writeWholeFile(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace skylacer::imaging
