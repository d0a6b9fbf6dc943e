// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A movie and the file that holds its sample bytes. A created movie file receives each sample's
// bytes as the sample is added (inside an 'mdat' atom at the start of the file) and the movie
// resource after them when the movie is stored; an opened one reads the movie resource and
// hands out sample bytes on request. Flattening writes a new, self-contained file with the
// movie resource before the data.

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "movwriter/toolbox/movie.h"

namespace skylacer::toolbox {

enum class FileCreation {
  ReplaceExisting,  // an existing file of that name is truncated and reused
  New,              // the file must not exist yet (dupFNErr otherwise); nothing is overwritten
};

class MovieFile {
 public:
  // Creates the file and an empty movie in it. Throws MovieToolboxError with the system's
  // reason (fnfErr, permErr, dupFNErr, ...).
  static MovieFile create(const std::filesystem::path& path, FileCreation creation);
  // Opens a stored movie file for reading and reads its movie resource.
  static MovieFile open(const std::filesystem::path& path);

  MovieFile(MovieFile&& other) noexcept;
  MovieFile& operator=(MovieFile&&) = delete;
  ~MovieFile();

  const std::filesystem::path& path() const { return path_; }
  Movie& movie() { return movie_; }
  const Movie& movie() const { return movie_; }

  // Writes `data` to the file and records it as the next sample of `media`, which must belong
  // to this file's movie.
  void addMediaSample(Media& media, std::span<const std::uint8_t> data, std::uint32_t duration,
                      const SampleDescription& description);
  // The bytes of one sample of `media`.
  std::vector<std::uint8_t> readSample(const Media& media, std::size_t index) const;

  // Writes the movie resource after the sample data and completes the file.
  void storeMovie();

  // Writes the movie into a new file at `output` (truncating an existing one): the movie
  // resource first, then every sample track by track, so the result needs no other file. A
  // failure removes the partly written output before the error is thrown.
  void flattenTo(const std::filesystem::path& output) const;

 private:
  MovieFile(std::filesystem::path path, int descriptor, bool writable);

  void writeAll(std::span<const std::uint8_t> data);
  void readAt(std::uint64_t offset, std::span<std::uint8_t> into) const;

  std::filesystem::path path_;
  int descriptor_ = -1;
  bool writable_ = false;
  std::uint64_t end_ = 0;  // bytes written so far (created files)
  Movie movie_;
};

}  // namespace skylacer::toolbox
