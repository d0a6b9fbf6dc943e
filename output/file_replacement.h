#pragma once

// A file written beside its target under a temporary name and renamed over the target only when
// every byte is written, so a failed write never leaves a half-written file nor destroys the
// previous one.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string_view>

namespace skylacer::output {

enum class FileKind {
  Document,    // read-write for everyone the umask allows (0666 & ~umask)
  Executable,  // also executable (0777 & ~umask)
};

class FileReplacement {
 public:
  // Creates the temporary file in the target's folder; nullptr when that cannot be done (the
  // folder is missing or not writable).
  static std::unique_ptr<FileReplacement> create(const std::filesystem::path& target,
                                                 FileKind kind);

  // Removes the temporary file unless commit() succeeded.
  ~FileReplacement();
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  // False when a byte could not be written (a full disk); later writes then fail too.
  bool write(std::span<const std::uint8_t> bytes);
  bool write(std::string_view text);
  // Appends the whole of another file; false when it cannot be read or written.
  bool append(const std::filesystem::path& file);

  // Closes the file and renames it over the target. False when a write, the close or the rename
  // failed; the target is then as it was before.
  bool commit();

 private:
  FileReplacement(std::filesystem::path target, std::filesystem::path temporary, int descriptor);

  std::filesystem::path target_;
  std::filesystem::path temporary_;
  int descriptor_ = -1;
  bool failed_ = false;
  bool committed_ = false;
};

}  // namespace skylacer::output
