// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/file_replacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <optional>
#include <string>

#include "output/messages.h"
#include "platform/shell/scratch_files.h"

namespace skylacer::output {

namespace {

bool writeAll(int descriptor, const std::uint8_t* bytes, std::size_t count) {
  while (count > 0) {
    const ssize_t written = ::write(descriptor, bytes, count);
    if (written < 0 && errno == EINTR) continue;
    if (written == 0) errno = ENOSPC;
    if (written <= 0) return false;
    bytes += written;
    count -= static_cast<std::size_t>(written);
  }
  return true;
}

std::filesystem::path folderOf(const std::filesystem::path& target) {
  return target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
}

std::string refusal(const std::filesystem::path& target, int error) {
  if (error == ENOENT || error == ENOTDIR) return folderMissingText(folderOf(target));
  return cannotWriteText(target, reasonText(error));
}

// The system's view of an open file (/dev/stdout, /dev/fd/1, /proc/self/fd/1): renaming over
// what it leads to would replace the file under a descriptor the shell opened, so the picture is
// written through it instead. For this process's own descriptors a copy of the descriptor, which
// shares its position with what the program prints there later; otherwise the path opened anew;
// -1 with errno set when that fails.
std::optional<int> openThroughDescriptor(const std::filesystem::path& target) {
  std::error_code error;
  const std::string path = std::filesystem::absolute(target, error).lexically_normal().string();
  if (!path.starts_with("/dev/") && !path.starts_with("/proc/")) return std::nullopt;
  std::string_view number;
  if (path == "/dev/stdout") number = "1";
  if (path == "/dev/stderr") number = "2";
  for (const std::string_view folder : {"/dev/fd/", "/proc/self/fd/"})
    if (path.starts_with(folder)) number = std::string_view(path).substr(folder.size());
  int descriptor = -1;
  const auto [end, parsed] =
      std::from_chars(number.data(), number.data() + number.size(), descriptor);
  if (!number.empty() && parsed == std::errc() && end == number.data() + number.size())
    return ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
  return ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
}

// The temporary file beside `regular`, created exclusively with `mode`; -1 with errno set when
// it cannot be made.
int createBeside(const std::filesystem::path& regular, mode_t mode, std::string& name) {
  const std::filesystem::path folder = folderOf(regular);
  const std::string hiddenName = "." + regular.filename().string();
  shell::removeAbandonedScratchFiles(folder, hiddenName);
  const std::string stem = (folder / shell::scratchNamePrefix(hiddenName)).string();
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = stem + std::to_string(attempt) + ".part";
    const int descriptor = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (descriptor >= 0 || errno != EEXIST) return descriptor;
  }
  return -1;
}

}  // namespace

std::unique_ptr<FileReplacement> FileReplacement::create(const std::filesystem::path& target,
                                                         FileKind kind, std::string* failure) {
  const auto refuse = [&](std::string text) -> std::unique_ptr<FileReplacement> {
    if (failure != nullptr) *failure = std::move(text);
    return nullptr;
  };
  if (!target.has_filename()) return refuse(cannotWriteText(target, "not a file name"));

  struct stat existing {};
  const bool exists = ::stat(target.c_str(), &existing) == 0;
  if (!exists && errno != ENOENT) return refuse(refusal(target, errno));
  if (!exists) {
    struct stat link {};
    if (::lstat(target.c_str(), &link) == 0)
      return refuse(cannotWriteText(target, "it is a link to a missing file"));
  }
  if (exists && S_ISDIR(existing.st_mode)) return refuse(cannotWriteText(target, "it is a folder"));
  const bool special = exists && (S_ISCHR(existing.st_mode) || S_ISFIFO(existing.st_mode));
  const std::optional<int> through = special || (exists && S_ISREG(existing.st_mode))
                                         ? openThroughDescriptor(target)
                                         : std::nullopt;
  if (special || through) {
    const int descriptor = through ? *through : ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
    if (descriptor < 0) return refuse(refusal(target, errno));
    return std::unique_ptr<FileReplacement>(new FileReplacement(target, target, descriptor, true));
  }
  if (exists && !S_ISREG(existing.st_mode))
    return refuse(cannotWriteText(target, "not a regular file"));

  std::error_code error;
  const std::filesystem::path regular = exists ? std::filesystem::canonical(target, error) : target;
  if (error) return refuse(cannotWriteText(target, error.message()));
  const mode_t mode = kind == FileKind::Executable ? 0777 : 0666;
  std::string name;
  const int descriptor = createBeside(regular, mode, name);
  if (descriptor < 0) return refuse(refusal(target, errno));
  if (exists) {
    // Only root may give the file back to its owner; others keep the file as theirs.
    if (::fchown(descriptor, existing.st_uid, existing.st_gid) != 0) errno = 0;
    // A program may be run by whoever may read it.
    const mode_t kept = existing.st_mode & 07777;
    ::fchmod(descriptor, kind == FileKind::Executable ? kept | (kept & 0444) >> 2 : kept);
  }
  auto replacement =
      std::unique_ptr<FileReplacement>(new FileReplacement(target, name, descriptor, false));
  replacement->renameTo_ = regular;
  shell::holdScratchFile(name);
  return replacement;
}

FileReplacement::FileReplacement(std::filesystem::path target, std::filesystem::path writePath,
                                 int descriptor, bool direct)
    : target_(std::move(target)),
      writePath_(std::move(writePath)),
      descriptor_(descriptor),
      direct_(direct) {}

FileReplacement::~FileReplacement() {
  if (descriptor_ >= 0) ::close(descriptor_);
  if (direct_) return;
  if (!committed_) ::unlink(writePath_.c_str());
  shell::releaseScratchFile(writePath_);
}

bool FileReplacement::fail(const std::filesystem::path& file, int error) {
  failed_ = true;
  failure_ = file == writePath_ ? cannotWriteText(target_, reasonText(error))
                                : cannotReadText(file, reasonText(error));
  return false;
}

bool FileReplacement::write(std::span<const std::uint8_t> bytes) {
  if (failed_ || descriptor_ < 0) return false;
  if (!writeAll(descriptor_, bytes.data(), bytes.size())) return fail(writePath_, errno);
  return true;
}

bool FileReplacement::write(std::string_view text) {
  return write({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

bool FileReplacement::append(const std::filesystem::path& file) {
  if (failed_ || descriptor_ < 0) return false;
  const int source = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (source < 0) return fail(file, errno);
  std::array<std::uint8_t, 1 << 16> chunk;
  for (;;) {
    const ssize_t got = ::read(source, chunk.data(), chunk.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) fail(file, errno);
    if (got <= 0) break;
    if (!writeAll(descriptor_, chunk.data(), static_cast<std::size_t>(got))) {
      fail(writePath_, errno);
      break;
    }
  }
  ::close(source);
  return !failed_;
}

bool FileReplacement::commit() {
  if (descriptor_ < 0 || failed_) return false;
  // A full disk can show only when the data reach it (delayed allocation, network folders).
  const bool flushed = direct_ || ::fsync(descriptor_) == 0;
  const int flushError = errno;
  const bool closed = ::close(descriptor_) == 0;
  const int closeError = errno;
  descriptor_ = -1;
  if (!flushed) return fail(writePath_, flushError);
  if (!closed) return fail(writePath_, closeError);
  if (direct_) return committed_ = true;
  if (std::rename(writePath_.c_str(), renameTo_.c_str()) != 0) return fail(writePath_, errno);
  return committed_ = true;
}

}  // namespace skylacer::output
