// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A file written beside its target under a temporary name and renamed over the target only when
// every byte is written and on disk, so a failed write never leaves a half-written file nor
// destroys the previous one.
//
// The temporary file is ".NAME.PID.N.part" in the target's folder. It is removed when the
// object goes without commit(), when the process is ended by SIGTERM, SIGHUP or SIGINT, and by
// a later run writing the same target when the process that made it is gone.
//
// Targets that are not regular files are never renamed over: a character device or a pipe
// (/dev/stdout, /dev/null, a FIFO) is written directly, and so is a file reached through
// /dev/stdout or /proc/self/fd; a folder, a block device or a socket is refused. A link to a
// regular file replaces the file it points to and keeps the link.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace skylacer::output {

enum class FileKind {
  Document,    // read-write for everyone the umask allows (0666 & ~umask)
  Executable,  // also executable (0777 & ~umask)
};

class FileReplacement {
 public:
  // Opens the file to write: the temporary file, or the target itself when it is a device or a
  // pipe. An existing regular target lends its permissions to the replacement (an Executable
  // one also gets the right to run it wherever it may be read). nullptr when that
  // cannot be done; `failure`, when given, then says why, naming the file ("folder out/ does not
  // exist", "cannot write out/j.jpg: permission denied").
  static std::unique_ptr<FileReplacement> create(const std::filesystem::path& target, FileKind kind,
                                                 std::string* failure = nullptr);

  // Removes the temporary file unless commit() succeeded.
  ~FileReplacement();
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  const std::filesystem::path& target() const { return target_; }
  // Where a writer that takes a path writes the contents instead of calling write().
  const std::filesystem::path& writePath() const { return writePath_; }

  // False when a byte could not be written (a full disk); later writes then fail too.
  bool write(std::span<const std::uint8_t> bytes);
  bool write(std::string_view text);
  // Appends the whole of another file; false when it cannot be read or written.
  bool append(const std::filesystem::path& file);

  // Flushes the file to disk, closes it and renames it over the target. False when a write,
  // the flush, the close or the rename failed; the target is then as it was before.
  bool commit();

  // Why the last call that returned false failed, naming the file: "cannot write out/j.jpg: no
  // space left on device".
  const std::string& failure() const { return failure_; }

 private:
  FileReplacement(std::filesystem::path target, std::filesystem::path writePath, int descriptor,
                  bool direct);
  bool fail(const std::filesystem::path& file, int error);

  std::filesystem::path target_;     // as the caller named it, for messages
  std::filesystem::path renameTo_;   // the regular file replaced (a link's target)
  std::filesystem::path writePath_;  // the temporary file, or the target when written directly
  int descriptor_ = -1;
  bool direct_ = false;
  bool failed_ = false;
  bool committed_ = false;
  std::string failure_;
};

}  // namespace skylacer::output
