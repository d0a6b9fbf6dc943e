// SPDX-License-Identifier: GPL-3.0-or-later
#include "movwriter/toolbox/movie_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>

#include "movwriter/toolbox/big_endian.h"
#include "movwriter/toolbox/movie_error.h"
#include "movwriter/toolbox/movie_resource.h"

namespace skylacer::toolbox {

namespace {

constexpr std::size_t kAtomHeaderBytes = 8;

int openOrThrow(const std::filesystem::path& path, int flags, const char* operation) {
  const int descriptor = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
  if (descriptor < 0) throwErrno(errno, operation, path.string());
  return descriptor;
}

void writeAllTo(int descriptor, std::span<const std::uint8_t> data,
                const std::filesystem::path& path) {
  while (!data.empty()) {
    const ssize_t written = ::write(descriptor, data.data(), data.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      throwErrno(errno, "cannot write", path.string());
    }
    data = data.subspan(std::size_t(written));
  }
}

void readAllAt(int descriptor, std::uint64_t offset, std::span<std::uint8_t> into,
               const std::filesystem::path& path) {
  while (!into.empty()) {
    const ssize_t got = ::pread(descriptor, into.data(), into.size(), off_t(offset));
    if (got < 0) {
      if (errno == EINTR) continue;
      throwErrno(errno, "cannot read", path.string());
    }
    if (got == 0)
      throw MovieToolboxError(badDataErr, "the movie file ends early: " + path.string());
    into = into.subspan(std::size_t(got));
    offset += std::uint64_t(got);
  }
}

std::vector<std::uint8_t> atomHeader(std::uint64_t size, FourCC type) {
  if (size > std::numeric_limits<std::uint32_t>::max())
    throw MovieToolboxError(ioErr, "movie data beyond 4 GiB cannot be addressed");
  ByteWriter header;
  header.u32(std::uint32_t(size));
  header.u32(type);
  return header.take();
}

std::uint64_t fileSizeOf(int descriptor, const std::filesystem::path& path) {
  struct stat info {};
  if (::fstat(descriptor, &info) != 0) throwErrno(errno, "cannot inspect", path.string());
  return std::uint64_t(info.st_size);
}

}  // namespace

MovieFile::MovieFile(std::filesystem::path path, int descriptor, bool writable)
    : path_(std::move(path)), descriptor_(descriptor), writable_(writable) {}

MovieFile::MovieFile(MovieFile&& other) noexcept
    : path_(std::move(other.path_)),
      descriptor_(other.descriptor_),
      writable_(other.writable_),
      end_(other.end_),
      movie_(std::move(other.movie_)) {
  other.descriptor_ = -1;
}

MovieFile::~MovieFile() {
  if (descriptor_ >= 0) ::close(descriptor_);
}

MovieFile MovieFile::create(const std::filesystem::path& path, FileCreation creation) {
  if (path.empty()) throw MovieToolboxError(paramErr, "no movie file path");
  const int mode = creation == FileCreation::New ? O_EXCL : O_TRUNC;
  MovieFile file(path, openOrThrow(path, O_RDWR | O_CREAT | mode, "cannot create"), true);
  try {
    file.writeAll(atomHeader(kAtomHeaderBytes, fourCC("mdat")));
  } catch (const MovieToolboxError&) {
    // A full disk: the caller never got the file, so it could not remove it.
    ::unlink(path.c_str());
    throw;
  }
  return file;
}

MovieFile MovieFile::open(const std::filesystem::path& path) {
  MovieFile file(path, openOrThrow(path, O_RDONLY, "cannot open"), false);
  const std::uint64_t size = fileSizeOf(file.descriptor_, path);
  std::uint64_t offset = 0;
  while (offset + kAtomHeaderBytes <= size) {
    std::uint8_t header[kAtomHeaderBytes];
    file.readAt(offset, header);
    ByteReader in(header);
    const std::uint32_t atomSize = in.u32();
    const FourCC type = in.u32();
    if (atomSize < kAtomHeaderBytes || atomSize > size - offset)
      throw MovieToolboxError(invalidMovie, "not a movie file: " + path.string());
    if (type == fourCC("moov")) {
      std::vector<std::uint8_t> moov(atomSize);
      file.readAt(offset, moov);
      file.movie_ = readMovieResource(moov, size);
      return file;
    }
    offset += atomSize;
  }
  throw MovieToolboxError(invalidMovie, "no movie resource in " + path.string());
}

void MovieFile::writeAll(std::span<const std::uint8_t> data) {
  writeAllTo(descriptor_, data, path_);
  end_ += data.size();
}

void MovieFile::readAt(std::uint64_t offset, std::span<std::uint8_t> into) const {
  readAllAt(descriptor_, offset, into, path_);
}

void MovieFile::addMediaSample(Media& media, std::span<const std::uint8_t> data,
                               std::uint32_t duration, const SampleDescription& description) {
  if (!writable_) throw MovieToolboxError(permErr, "the movie file is open for reading only");
  if (data.size() > std::numeric_limits<std::uint32_t>::max())
    throw MovieToolboxError(paramErr, "a sample larger than 4 GiB");
  const std::uint64_t offset = end_;
  writeAll(data);
  media.appendSample(offset, std::uint32_t(data.size()), duration, description);
}

std::vector<std::uint8_t> MovieFile::readSample(const Media& media, std::size_t index) const {
  const Sample& sample = media.samples().at(index);
  std::vector<std::uint8_t> bytes(sample.size);
  readAt(sample.offset, bytes);
  return bytes;
}

void MovieFile::storeMovie() {
  if (!writable_) throw MovieToolboxError(permErr, "the movie file is open for reading only");
  // The 'mdat' atom opens the file and holds every sample written so far.
  const auto mdat = atomHeader(end_, fourCC("mdat"));
  if (::pwrite(descriptor_, mdat.data(), mdat.size(), 0) != ssize_t(mdat.size()))
    throwErrno(errno, "cannot write", path_.string());
  writeAll(writeMovieResource(movie_, movieTimeNow()));
}

void MovieFile::flattenTo(const std::filesystem::path& output) const {
  if (output.empty()) throw MovieToolboxError(paramErr, "no output path");
  Movie flat = movie_;
  // The resource's size does not depend on the offsets it holds: measure it, then relocate
  // every sample behind it in track order.
  const std::uint32_t now = movieTimeNow();
  const std::uint64_t dataStart = writeMovieResource(flat, now).size() + kAtomHeaderBytes;
  std::uint64_t offset = dataStart;
  for (Track& track : flat.tracks()) {
    Media& media = *track.media();
    for (std::size_t i = 0; i < media.samples().size(); ++i) {
      media.relocateSample(i, offset);
      offset += media.samples()[i].size;
    }
  }
  const auto resource = writeMovieResource(flat, now);
  const auto mdatHeader = atomHeader(offset - dataStart + kAtomHeaderBytes, fourCC("mdat"));

  // The movie is written beside the output under a unique name and renamed into place, so a
  // failed write never destroys a movie the user already had under that name.
  std::string partial = output.string() + ".partXXXXXX";
  const int descriptor = ::mkostemp(partial.data(), O_CLOEXEC);
  if (descriptor < 0) throwErrno(errno, "cannot create", output.string());
  bool closed = false;
  try {
    writeAllTo(descriptor, resource, output);
    writeAllTo(descriptor, mdatHeader, output);
    for (const Track& track : movie_.tracks()) {
      const Media& media = *track.media();
      for (std::size_t i = 0; i < media.samples().size(); ++i)
        writeAllTo(descriptor, readSample(media, i), output);
    }
    if (::fchmod(descriptor, 0644) != 0 || ::fsync(descriptor) != 0)
      throwErrno(errno, "cannot store", output.string());
    closed = true;
    if (::close(descriptor) != 0) throwErrno(errno, "cannot close", output.string());
    if (::rename(partial.c_str(), output.c_str()) != 0)
      throwErrno(errno, "cannot store", output.string());
  } catch (...) {
    if (!closed) ::close(descriptor);
    ::unlink(partial.c_str());
    throw;
  }
}

}  // namespace skylacer::toolbox
