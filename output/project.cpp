// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/project.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "output/ansi_code_page.h"
#include "output/file_replacement.h"
#include "output/messages.h"
#include "output/movie_photos.h"
#include "output/path_names.h"

namespace skylacer::output {

namespace {

void appendUint32(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8)
    bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

// Reads little-endian 32-bit values and byte runs from the front of a file held in memory.
class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> bytes) : rest_(bytes) {}

  bool readUint32(std::uint32_t& value) {
    if (rest_.size() < 4) return false;
    value = std::uint32_t{rest_[0]} | std::uint32_t{rest_[1]} << 8 | std::uint32_t{rest_[2]} << 16 |
            std::uint32_t{rest_[3]} << 24;
    rest_ = rest_.subspan(4);
    return true;
  }

  bool readBytes(std::size_t count, std::span<const std::uint8_t>& run) {
    if (rest_.size() < count) return false;
    run = rest_.first(count);
    rest_ = rest_.subspan(count);
    return true;
  }

  std::size_t remaining() const { return rest_.size(); }

 private:
  std::span<const std::uint8_t> rest_;
};

bool canOpenForReading(const std::string& path) {
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return false;
  ::close(descriptor);
  return true;
}

// Closes the descriptor when it goes.
class Descriptor {
 public:
  explicit Descriptor(int descriptor) : descriptor_(descriptor) {}
  ~Descriptor() {
    if (descriptor_ >= 0) ::close(descriptor_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return descriptor_; }

 private:
  int descriptor_;
};

ProjectFile refused(ProjectFileResult result, int systemError = 0) {
  ProjectFile project;
  project.result = result;
  project.systemError = systemError;
  return project;
}

// Reads the blocks after the path records; false when one runs past the end or the rotations
// do not fit the photos.
bool readBlocks(ByteReader& reader, ProjectFile& project) {
  while (reader.remaining() > 0) {
    std::uint32_t tag = 0;
    std::uint32_t size = 0;
    std::span<const std::uint8_t> content;
    if (!reader.readUint32(tag) || !reader.readUint32(size) || !reader.readBytes(size, content))
      return false;
    if (tag != kRotationBlockTag) continue;
    if (content.size() != project.storedPaths.size()) return false;
    for (std::size_t i = 0; i < content.size(); ++i) {
      if (content[i] > kMaxRotationCode) return false;
      project.rotations[i] = content[i];
    }
  }
  return true;
}

std::string lowercaseFirst(std::string text) {
  if (!text.empty() && text.front() >= 'A' && text.front() <= 'Z') text.front() += 'a' - 'A';
  return text;
}

std::string readFailureReason(const ProjectFile& project) {
  switch (project.result) {
    case ProjectFileResult::Unreadable:
      return "it ends early or holds a damaged record";
    case ProjectFileResult::UnsupportedVersion:
      return "not a project file, or one written by a newer version";
    case ProjectFileResult::TooLarge:
      return "larger than " + std::to_string(kMaxProjectFileBytes >> 20) +
             " MB, far more than any project";
    case ProjectFileResult::NotAFile:
      if (project.systemError != 0)
        return lowercaseFirst(std::generic_category().message(project.systemError));
      return "not a regular file";
    case ProjectFileResult::Ok:
      break;
  }
  return {};
}

}  // namespace

std::optional<std::vector<std::uint8_t>> projectFileBytes(std::span<const std::string> photos,
                                                          std::span<const int> rotations) {
  if (!rotations.empty() && rotations.size() != photos.size()) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  appendUint32(bytes, kProjectMagic);
  appendUint32(bytes, kProjectVersion);
  appendUint32(bytes, static_cast<std::uint32_t>(photos.size()));
  for (const std::string& photo : photos) {
    if (photo.size() >= kMaxPathRecord) return std::nullopt;
    appendUint32(bytes, static_cast<std::uint32_t>(photo.size() + 1));
    bytes.insert(bytes.end(), photo.begin(), photo.end());
    bytes.push_back(0);
  }
  if (std::any_of(rotations.begin(), rotations.end(),
                  [](int code) { return code < 0 || code > kMaxRotationCode; }))
    return std::nullopt;
  if (std::any_of(rotations.begin(), rotations.end(), [](int code) { return code != 0; })) {
    appendUint32(bytes, kRotationBlockTag);
    appendUint32(bytes, static_cast<std::uint32_t>(rotations.size()));
    for (const int code : rotations) bytes.push_back(static_cast<std::uint8_t>(code));
  }
  return bytes;
}

ProjectFile readProjectFile(std::span<const std::uint8_t> bytes) {
  ProjectFile project;
  ByteReader reader(bytes);
  std::uint32_t magic = 0;
  std::uint32_t version = 0;
  std::uint32_t count = 0;
  if (!reader.readUint32(magic)) return project;
  if (magic != kProjectMagic) {
    project.result = ProjectFileResult::UnsupportedVersion;
    return project;
  }
  if (!reader.readUint32(version)) return project;
  if (version > kProjectVersion) {
    project.result = ProjectFileResult::UnsupportedVersion;
    return project;
  }
  if (!reader.readUint32(count)) return project;
  project.count = static_cast<std::int32_t>(count);

  // Every record takes at least five bytes, which bounds what a lying count can reserve.
  const std::size_t records = project.count > 0 ? static_cast<std::size_t>(project.count) : 0;
  project.storedPaths.reserve(std::min(records, reader.remaining() / 5));
  for (std::size_t i = 0; i < records; ++i) {
    std::uint32_t length = 0;
    std::span<const std::uint8_t> record;
    if (!reader.readUint32(length) || length == 0 || length > kMaxPathRecord ||
        !reader.readBytes(length, record)) {
      project.storedPaths.clear();
      return project;
    }
    // The path ends at its zero byte, which the record counts.
    const auto* text = reinterpret_cast<const char*>(record.data());
    const std::string_view path(text, std::find(text, text + record.size(), '\0') - text);
    project.storedPaths.push_back(storedTextToUtf8(path));
  }
  project.rotations.assign(project.storedPaths.size(), 0);
  if (!readBlocks(reader, project)) {
    project.storedPaths.clear();
    project.rotations.clear();
    return project;
  }
  project.result = ProjectFileResult::Ok;
  return project;
}

ProjectFile readProjectFileAt(const std::filesystem::path& path) {
  const Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (file.get() < 0) return refused(ProjectFileResult::NotAFile, errno);
  struct stat status {};
  if (::fstat(file.get(), &status) != 0) return refused(ProjectFileResult::NotAFile, errno);
  if (S_ISDIR(status.st_mode)) return refused(ProjectFileResult::NotAFile, EISDIR);
  if (!S_ISREG(status.st_mode)) return refused(ProjectFileResult::NotAFile);
  if (static_cast<std::uintmax_t>(status.st_size) > kMaxProjectFileBytes)
    return refused(ProjectFileResult::TooLarge);

  // The size is only a hint: a file growing while it is read stops at the limit all the same.
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(status.st_size) + 1);
  std::size_t filled = 0;
  for (;;) {
    if (filled == bytes.size()) {
      if (bytes.size() > kMaxProjectFileBytes) return refused(ProjectFileResult::TooLarge);
      bytes.resize(std::min<std::size_t>(bytes.size() * 2, kMaxProjectFileBytes + 1));
    }
    const ssize_t got = ::read(file.get(), bytes.data() + filled, bytes.size() - filled);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return refused(ProjectFileResult::NotAFile, errno);
    if (got == 0) break;
    filled += static_cast<std::size_t>(got);
  }
  bytes.resize(filled);
  return readProjectFile(bytes);
}

std::string projectReadFailureText(const std::filesystem::path& path, const ProjectFile& project) {
  const char* text = project.result == ProjectFileResult::UnsupportedVersion
                         ? kProjectVersionUnsupported
                         : kProjectReadFailed;
  return std::string(text) + "\n\n" + path.string() + ": " + readFailureReason(project);
}

std::string resolvePhotoPath(std::string_view projectPath, std::string_view storedPath) {
  std::string stored(storedPath);
  if (canOpenForReading(stored)) return stored;
  return std::string(folderOf(projectPath)) + std::string(fileNameOf(storedPath));
}

bool saveProject(const std::filesystem::path& projectPath, std::span<const std::string> photos,
                 UserPrompt& prompt, std::span<const int> rotations) {
  const std::optional<std::vector<std::uint8_t>> bytes = projectFileBytes(photos, rotations);
  if (!bytes) {
    for (const std::string& photo : photos)
      if (photo.size() >= kMaxPathRecord) {
        prompt.showMessage(projectPathTooLongText(photo), MessageIcon::Plain);
        break;
      }
    return false;
  }
  std::string failure;
  const auto file = FileReplacement::create(projectPath, FileKind::Document, &failure);
  if (!file || !file->write(*bytes) || !file->commit()) {
    prompt.showMessage(withDetail(kProjectSaveFailed, file ? file->failure() : failure),
                       MessageIcon::Plain);
    return false;
  }
  return true;
}

bool openProject(const std::filesystem::path& projectPath, InterfaceMovie& movie,
                 TemporaryFileList& thumbnails, UserPrompt& prompt) {
  const ProjectFile project = readProjectFileAt(projectPath);
  if (project.result != ProjectFileResult::Ok) {
    prompt.showMessage(projectReadFailureText(projectPath, project), MessageIcon::Plain);
    return false;
  }
  const std::string projectText = projectPath.string();
  std::vector<std::string> photos;
  photos.reserve(project.storedPaths.size());
  for (const std::string& stored : project.storedPaths)
    photos.push_back(resolvePhotoPath(projectText, stored));
  handPhotosToMovie(movie, photos, project.rotations, project.count, thumbnails);
  return true;
}

}  // namespace skylacer::output
