#include "output/project.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "output/ansi_code_page.h"
#include "output/file_replacement.h"
#include "output/messages.h"
#include "output/path_names.h"
#include "output/thumbnail.h"

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

bool readWholeFile(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return false;
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return !file.bad();
}

bool canOpenForReading(const std::string& path) {
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return false;
  ::close(descriptor);
  return true;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> projectFileBytes(std::span<const std::string> photos) {
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
  project.result = ProjectFileResult::Ok;
  return project;
}

std::string resolvePhotoPath(std::string_view projectPath, std::string_view storedPath) {
  std::string stored(storedPath);
  if (canOpenForReading(stored)) return stored;
  return std::string(folderOf(projectPath)) + std::string(fileNameOf(storedPath));
}

bool saveProject(const std::filesystem::path& projectPath, std::span<const std::string> photos,
                 UserPrompt& prompt) {
  const std::optional<std::vector<std::uint8_t>> bytes = projectFileBytes(photos);
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
  std::vector<std::uint8_t> bytes;
  if (!readWholeFile(projectPath, bytes)) {
    prompt.showMessage(kProjectReadFailed, MessageIcon::Plain);
    return false;
  }
  const ProjectFile project = readProjectFile(bytes);
  if (project.result != ProjectFileResult::Ok) {
    prompt.showMessage(project.result == ProjectFileResult::UnsupportedVersion
                           ? kProjectVersionUnsupported
                           : kProjectReadFailed,
                       MessageIcon::Plain);
    return false;
  }

  const std::string projectText = projectPath.string();
  for (std::size_t i = 0; i < project.storedPaths.size(); ++i) {
    const std::string index = std::to_string(i);
    const std::string photo = resolvePhotoPath(projectText, project.storedPaths[i]);
    const Thumbnail thumbnail = makeThumbnail(photo, thumbnails);
    movie.setVariable("ImagePathToAdd" + index, photo);
    movie.setVariable("ImageThumbnail" + index, thumbnail.path);
    movie.setVariable("ImageHeight" + index, std::to_string(thumbnail.photoSize.height));
    movie.setVariable("ImageWidth" + index, std::to_string(thumbnail.photoSize.width));
    movie.setVariable("FileName" + index, withoutExtension(fileNameOf(photo)));
  }
  movie.setVariable("NumImagesToAdd", std::to_string(project.count));
  movie.callLabel("/", "AddImages");
  return true;
}

}  // namespace skylacer::output
