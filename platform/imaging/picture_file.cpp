// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/imaging/picture_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>

namespace skylacer::imaging {
namespace {

ImagingStatus statusForOpenError(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      return ImagingStatus::FileNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
      return ImagingStatus::AccessDenied;
    case ENOMEM:
      return ImagingStatus::OutOfMemory;
    default:
      return ImagingStatus::Win32Error;
  }
}

// An open file descriptor, closed with the object.
class FileHandle {
 public:
  explicit FileHandle(int descriptor = -1) : descriptor_(descriptor) {}
  ~FileHandle() {
    if (descriptor_ >= 0) ::close(descriptor_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  int get() const { return descriptor_; }
  void reset(int descriptor) {
    if (descriptor_ >= 0) ::close(descriptor_);
    descriptor_ = descriptor;
  }
  // Closes now and reports whether everything written reached the file system.
  bool close() {
    const int result = ::close(descriptor_);
    descriptor_ = -1;
    return result == 0;
  }

 private:
  int descriptor_;
};

// Opens a regular file for reading; a FIFO or device neither blocks nor is read.
ImagingStatus openForReading(const std::string& path, FileHandle& file, std::uint64_t& fileSize) {
  if (path.empty()) return ImagingStatus::FileNotFound;
  file.reset(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (file.get() < 0) return statusForOpenError(errno);
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) return ImagingStatus::Win32Error;
  if (!S_ISREG(info.st_mode)) return ImagingStatus::FileNotFound;
  fileSize = static_cast<std::uint64_t>(info.st_size);
  return ImagingStatus::Ok;
}

// Fills `bytes` from the start of the file; a file that ends early is GenericError.
ImagingStatus readFully(const FileHandle& file, std::span<std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t got =
        ::pread(file.get(), bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return ImagingStatus::Win32Error;
    if (got == 0) return ImagingStatus::GenericError;
    done += static_cast<std::size_t>(got);
  }
  return ImagingStatus::Ok;
}

ImagingStatus readInto(const FileHandle& file, std::uint64_t count,
                       std::vector<std::uint8_t>& bytes) {
  try {
    bytes.resize(static_cast<std::size_t>(count));
  } catch (const std::bad_alloc&) {
    return ImagingStatus::OutOfMemory;
  }
  return readFully(file, bytes);
}

}  // namespace

ImagingStatus readFileStart(const std::string& path, std::size_t maxBytes,
                            std::vector<std::uint8_t>& bytes, std::uint64_t& fileSize) {
  FileHandle file;
  if (const ImagingStatus opened = openForReading(path, file, fileSize);
      opened != ImagingStatus::Ok)
    return opened;
  return readInto(file, std::min<std::uint64_t>(maxBytes, fileSize), bytes);
}

ImagingStatus readWholeFile(const std::string& path, FileBytes& bytes) {
  FileHandle file;
  std::uint64_t fileSize = 0;
  if (const ImagingStatus opened = openForReading(path, file, fileSize);
      opened != ImagingStatus::Ok)
    return opened;
  if (fileSize > kMaxEncodedBytes) return ImagingStatus::ValueOverflow;
  const auto size = static_cast<std::size_t>(fileSize);
  try {
    bytes.data = std::make_unique_for_overwrite<std::uint8_t[]>(size);
  } catch (const std::bad_alloc&) {
    return ImagingStatus::OutOfMemory;
  }
  bytes.size = size;
  return readFully(file, {bytes.data.get(), size});
}

ImagingStatus writeWholeFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  if (path.empty()) return ImagingStatus::InvalidParameter;
  FileHandle file(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (file.get() < 0) {
    const ImagingStatus status = statusForOpenError(errno);
    return status == ImagingStatus::AccessDenied ? status : ImagingStatus::Win32Error;
  }
  std::size_t done = 0;
  bool written = true;
  while (written && done < bytes.size()) {
    const ssize_t put = ::write(file.get(), bytes.data() + done, bytes.size() - done);
    if (put < 0 && errno == EINTR) continue;
    written = put > 0;
    if (written) done += static_cast<std::size_t>(put);
  }
  if (file.close() && written) return ImagingStatus::Ok;
  ::unlink(path.c_str());
  return ImagingStatus::Win32Error;
}

}  // namespace skylacer::imaging
