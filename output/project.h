// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The project file (".skl"): the list of the photos of a panorama project and nothing else.
//
// Layout, integers little-endian, no gaps:
//   0   4 bytes  magic 0x0FA12367 (bytes 67 23 A1 0F)
//   4   4 bytes  format version, written as 100; 0 to 100 are read alike
//   8   4 bytes  photo count N, signed
//   12  N path records: length L (4 bytes, unsigned) = path bytes + 1, then the path and one
//       zero byte; L is at most 260.
//   then optional tagged blocks up to the end of the file: a tag (4 bytes), the size S of what
//       follows (4 bytes, unsigned) and S bytes. Readers of format 100 stop after the path
//       records and never reach them, so the version stays 100. Unknown tags are skipped.
//       "ROTN" (kRotationBlockTag): S = N, one byte per photo, its rotate/flip code 0 to 7, in
//       the order of the records. Written only when a photo is turned; without it every code
//       reads as 0.
// A file larger than kMaxProjectFileBytes is refused before anything of it is read.
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
// "ROTN" as it lies in the file.
inline constexpr std::uint32_t kRotationBlockTag = 0x4E544F52;
// The largest rotate/flip code a photo can carry.
inline constexpr int kMaxRotationCode = 7;
// Far above any real project (60 000 photos of the longest path), far below what could exhaust
// memory.
inline constexpr std::uintmax_t kMaxProjectFileBytes = 16u << 20;

enum class ProjectFileResult {
  Ok,
  Unreadable,          // ends early, a path record of length 0 or above 260, a bad block
  UnsupportedVersion,  // wrong magic, or a version above 100
  TooLarge,            // larger than kMaxProjectFileBytes; nothing of it was read
  NotAFile,            // missing, a folder or a device, or it could not be opened or read
};

struct ProjectFile {
  ProjectFileResult result = ProjectFileResult::Unreadable;
  std::int32_t count = 0;                // as stored; 0 or negative hands nothing over
  std::vector<std::string> storedPaths;  // UTF-8; empty unless result is Ok
  std::vector<int> rotations;            // one rotate/flip code per stored path
  int systemError = 0;                   // errno behind NotAFile, when there was one
};

// The bytes of a project file listing `photos`, each turned by the rotate/flip code of the same
// index in `rotations` (no codes: none is turned). Nothing when a path is longer than 259 bytes
// (its record could not be read back), or a code is outside 0 to 7, or the two lists differ in
// length.
std::optional<std::vector<std::uint8_t>> projectFileBytes(std::span<const std::string> photos,
                                                          std::span<const int> rotations = {});

// Reads a whole project file held in memory. Allocates no more than the bytes' own size.
ProjectFile readProjectFile(std::span<const std::uint8_t> bytes);

// Reads the project file at `path`, refusing one larger than kMaxProjectFileBytes by its size
// before reading (TooLarge) and anything that is not a regular file (NotAFile).
ProjectFile readProjectFileAt(const std::filesystem::path& path);

// The message for a project that could not be read: "Failed to read the project file." or the
// version message, followed by the file and the reason.
std::string projectReadFailureText(const std::filesystem::path& path, const ProjectFile& project);

// The photo a stored path names: the stored path when that file can be opened for reading,
// otherwise the project file's folder followed by the stored path's file name (a project moved
// together with its photos). Both paths split at '/' and '\'.
std::string resolvePhotoPath(std::string_view projectPath, std::string_view storedPath);

// Writes the project file under a temporary name beside it and renames it into place, so a
// failed save leaves the previous file as it was. `rotations` as for projectFileBytes. On
// failure shows the save message and returns false; the caller clears its changed flag only on
// success.
bool saveProject(const std::filesystem::path& projectPath, std::span<const std::string> photos,
                 UserPrompt& prompt, std::span<const int> rotations = {});

// Reads the project and hands every photo to the movie as if the user had added it
// (movie_photos.h), each with its stored rotation, then "NumImagesToAdd" and the label
// "AddImages" at "/". Thumbnails written into temporary files join `thumbnails`. A file that
// cannot be read, is too large, ends early or holds a bad record or block shows "Failed to read
// the project file."; a wrong magic or a newer version shows the version message; both name the
// file and the reason, nothing is handed over and the result is false. The caller then
// records the project path and clears its changed flag on success. Decoding the photos' headers
// takes a moment per photo: the desktop program shows the wait cursor around the call.
bool openProject(const std::filesystem::path& projectPath, InterfaceMovie& movie,
                 TemporaryFileList& thumbnails, UserPrompt& prompt);

}  // namespace skylacer::output
