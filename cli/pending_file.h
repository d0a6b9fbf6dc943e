#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace skylacer::cli {

// An output file written under a temporary name beside its target and renamed into place only
// when complete, so that a failed or cancelled run never leaves a broken file at the target.
// The temporary file is removed unless the file was committed.
class PendingFile {
 public:
  // Creates the temporary file (an empty, hidden file in the target's folder), which also shows
  // early that the folder can be written. Nothing, with the reason in `error`, when it cannot.
  static std::optional<PendingFile> create(const std::filesystem::path& target, std::string& error);

  PendingFile(PendingFile&& other) noexcept;
  PendingFile& operator=(PendingFile&&) = delete;
  PendingFile(const PendingFile&) = delete;
  ~PendingFile();

  const std::filesystem::path& target() const { return target_; }
  // Where to write the contents.
  const std::filesystem::path& temporaryPath() const { return temporary_; }

  // Writes text as the whole contents; false with the reason in `error` when it cannot.
  bool writeText(const std::string& text, std::string& error);
  // Gives the file the permissions a new file gets and renames it to the target; false with the
  // reason in `error` when it cannot.
  bool commit(std::string& error);

 private:
  PendingFile(std::filesystem::path target, std::filesystem::path temporary);

  std::filesystem::path target_;
  std::filesystem::path temporary_;  // empty once committed or moved from
};

}  // namespace skylacer::cli
