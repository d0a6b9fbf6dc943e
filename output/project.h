#pragma once

// The project file (".skl"): the list of the photos of a panorama project and nothing else.
//
// Layout, integers little-endian, no gaps:
//   0   4 bytes  magic 0x0FA12367 (bytes 67 23 A1 0F)
//   4   4 bytes  format version, written as 100; 0 to 100 are read alike
//   8   4 bytes  photo count N, signed
//   12  N path records: length L (4 bytes, unsigned) = path bytes + 1, then the path and one
//       zero byte; L is at most 260.
// Paths are written as the photo list holds them (full UTF-8 paths). Paths written by the
// Windows program are in its ANSI code page (Windows-1251) and are converted when read.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "output/movie_variables.h"
#include "output/prompt.h"
#include "output/temporary_file_list.h"

namespace skylacer::output {

inline constexpr std::uint32_t kProjectMagic = 0x0FA12367;
inline constexpr std::uint32_t kProjectVersion = 100;
// The longest path record: a path of 259 bytes and its zero byte.
inline constexpr std::uint32_t kMaxPathRecord = 260;

enum class ProjectFileResult {
  Ok,
  Unreadable,          // ends early, or a path record of length 0 or above 260
  UnsupportedVersion,  // wrong magic, or a version above 100
};

struct ProjectFile {
  ProjectFileResult result = ProjectFileResult::Unreadable;
  std::int32_t count = 0;                // as stored; 0 or negative hands nothing over
  std::vector<std::string> storedPaths;  // UTF-8; empty unless result is Ok
};

// The bytes of a project file listing `photos`, or nothing when a path is longer than 259
// bytes (its record could not be read back).
std::optional<std::vector<std::uint8_t>> projectFileBytes(std::span<const std::string> photos);

// Reads a whole project file held in memory. Allocates no more than the bytes' own size.
ProjectFile readProjectFile(std::span<const std::uint8_t> bytes);

// The photo a stored path names: the stored path when that file can be opened for reading,
// otherwise the project file's folder followed by the stored path's file name (a project moved
// together with its photos). Both paths split at '/' and '\'.
std::string resolvePhotoPath(std::string_view projectPath, std::string_view storedPath);

// Writes the project file under a temporary name beside it and renames it into place, so a
// failed save leaves the previous file as it was. On failure shows the save message and
// returns false; the caller clears its changed flag only on success.
bool saveProject(const std::filesystem::path& projectPath, std::span<const std::string> photos,
                 UserPrompt& prompt);

// Reads the project and hands every photo to the movie as if the user had added it: for each
// index i the variables "ImagePathToAdd<i>" (the resolved path), "ImageThumbnail<i>",
// "ImageHeight<i>", "ImageWidth<i>" and "FileName<i>" (file name without folder and
// extension), then "NumImagesToAdd" and the label "AddImages" at "/". Thumbnails written into
// temporary files join `thumbnails`. A file that cannot be read, ends early or holds a bad path
// record shows "Failed to read the project file."; a wrong magic or a newer version shows the
// version message; either way nothing is handed over and the result is false. The caller then
// records the project path and clears its changed flag on success. Decoding the photos' headers
// takes a moment per photo: the desktop program shows the wait cursor around the call.
bool openProject(const std::filesystem::path& projectPath, InterfaceMovie& movie,
                 TemporaryFileList& thumbnails, UserPrompt& prompt);

}  // namespace skylacer::output
