// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/reporting.h"

#include <unistd.h>

#include <cerrno>
#include <cstdarg>

#include "output/messages.h"

namespace skylacer::cli {

namespace {

constexpr int kFailed = 1;

std::string standardOutputFailure(int error) {
  return localText("cannot write to standard output: %s", {output::reasonText(error)});
}

}  // namespace

void Reporting::result(const char* format, ...) const {
  if (quiet) return;
  std::FILE* stream = pictureOnStdout ? stderr : stdout;
  va_list values;
  va_start(values, format);
  std::vfprintf(stream, format, values);
  va_end(values);
  std::fputc('\n', stream);
}

bool writeToStandardOutput(std::span<const std::uint8_t> bytes, std::string& error) {
  // Past the stream's buffer, so that a failed write leaves nothing behind to be tried again.
  if (std::fflush(stdout) != 0) {
    error = standardOutputFailure(errno);
    return false;
  }
  while (!bytes.empty()) {
    const ssize_t count = ::write(STDOUT_FILENO, bytes.data(), bytes.size());
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) {
      error = standardOutputFailure(count < 0 ? errno : EIO);
      return false;
    }
    bytes = bytes.subspan(static_cast<std::size_t>(count));
  }
  return true;
}

bool readStandardInput(std::vector<std::uint8_t>& bytes, std::string& error) {
  std::uint8_t chunk[65536];
  for (;;) {
    const ssize_t count = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (count == 0) return true;
    if (count < 0) {
      if (errno == EINTR) continue;
      error = localText("cannot read standard input: %s", {output::reasonText(errno)});
      return false;
    }
    bytes.insert(bytes.end(), chunk, chunk + count);
  }
}

int finishStandardOutput(int status) {
  errno = 0;
  if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0) return status;
  const int error = errno != 0 ? errno : EIO;
  std::fprintf(stderr, "panorama-cli: %s\n", standardOutputFailure(error).c_str());
  return status == 0 ? kFailed : status;
}

}  // namespace skylacer::cli
