#include "cli/pending_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

namespace skylacer::cli {

namespace {

std::string systemReason() { return std::strerror(errno); }

// The permissions of a newly created file: 0666 less the process's file mode mask.
mode_t newFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

PendingFile::PendingFile(std::filesystem::path target, std::filesystem::path temporary)
    : target_(std::move(target)), temporary_(std::move(temporary)) {}

PendingFile::PendingFile(PendingFile&& other) noexcept
    : target_(std::move(other.target_)), temporary_(std::exchange(other.temporary_, {})) {}

PendingFile::~PendingFile() {
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
}

std::optional<PendingFile> PendingFile::create(const std::filesystem::path& target,
                                               std::string& error) {
  if (target.filename().empty()) {
    error = "not a file name";
    return std::nullopt;
  }
  std::filesystem::path pattern = target;
  pattern.replace_filename("." + target.filename().string() + ".XXXXXX");
  std::string name = pattern.string();
  const int fd = ::mkstemp(name.data());
  if (fd < 0) {
    error = systemReason();
    return std::nullopt;
  }
  ::close(fd);
  return PendingFile(target, name);
}

bool PendingFile::writeText(const std::string& text, std::string& error) {
  std::FILE* file = std::fopen(temporary_.c_str(), "wb");
  if (file == nullptr) {
    error = systemReason();
    return false;
  }
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  const int savedErrno = errno;
  if (std::fclose(file) != 0 || !written) {
    error = written ? systemReason() : std::strerror(savedErrno);
    return false;
  }
  return true;
}

bool PendingFile::commit(std::string& error) {
  if (::chmod(temporary_.c_str(), newFileMode()) != 0 ||
      ::rename(temporary_.c_str(), target_.c_str()) != 0) {
    error = systemReason();
    return false;
  }
  temporary_.clear();
  return true;
}

}  // namespace skylacer::cli
