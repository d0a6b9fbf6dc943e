#include "output/file_replacement.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <string>

namespace skylacer::output {

namespace {

bool writeAll(int descriptor, const std::uint8_t* bytes, std::size_t count) {
  while (count > 0) {
    const ssize_t written = ::write(descriptor, bytes, count);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes += written;
    count -= static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace

std::unique_ptr<FileReplacement> FileReplacement::create(const std::filesystem::path& target,
                                                         FileKind kind) {
  if (!target.has_filename()) return nullptr;
  const mode_t mode = kind == FileKind::Executable ? 0777 : 0666;
  // Built by appending: GCC 12 at -O3 reports a false -Wrestrict on "." + std::string.
  std::string hiddenName = ".";
  hiddenName += target.filename().string();
  std::string stem = (target.parent_path() / hiddenName).string();
  stem += '.';
  stem += std::to_string(::getpid());
  stem += '.';
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = stem + std::to_string(attempt) + ".part";
    const int descriptor = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (descriptor >= 0)
      return std::unique_ptr<FileReplacement>(new FileReplacement(target, name, descriptor));
    if (errno != EEXIST) return nullptr;
  }
  return nullptr;
}

FileReplacement::FileReplacement(std::filesystem::path target, std::filesystem::path temporary,
                                 int descriptor)
    : target_(std::move(target)), temporary_(std::move(temporary)), descriptor_(descriptor) {}

FileReplacement::~FileReplacement() {
  if (descriptor_ >= 0) ::close(descriptor_);
  if (!committed_) ::unlink(temporary_.c_str());
}

bool FileReplacement::write(std::span<const std::uint8_t> bytes) {
  if (failed_ || descriptor_ < 0) return false;
  failed_ = !writeAll(descriptor_, bytes.data(), bytes.size());
  return !failed_;
}

bool FileReplacement::write(std::string_view text) {
  return write({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

bool FileReplacement::append(const std::filesystem::path& file) {
  if (failed_ || descriptor_ < 0) return false;
  const int source = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (source < 0) {
    failed_ = true;
    return false;
  }
  std::array<std::uint8_t, 1 << 16> chunk;
  for (;;) {
    const ssize_t got = ::read(source, chunk.data(), chunk.size());
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      failed_ = got < 0;
      break;
    }
    if (!writeAll(descriptor_, chunk.data(), static_cast<std::size_t>(got))) {
      failed_ = true;
      break;
    }
  }
  ::close(source);
  return !failed_;
}

bool FileReplacement::commit() {
  if (descriptor_ < 0) return false;
  const bool closed = ::close(descriptor_) == 0;
  descriptor_ = -1;
  if (failed_ || !closed) return false;
  committed_ = std::rename(temporary_.c_str(), target_.c_str()) == 0;
  return committed_;
}

}  // namespace skylacer::output
