// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Texts the outputs show to the user or through the progress object, word for word in English
// and in the user's language where a program has opened its message catalogue (local_text.h).

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/imaging/bitmap.h"
#include "platform/imaging/local_text.h"

namespace skylacer::output {

// Project file.
inline constexpr auto kProjectSaveFailed = SourceText(
    "Failed to save the project file.\n\nPlease check that the file is not blocked by the other\n"
    "process or try to change the name of the project.");
inline constexpr auto kProjectReadFailed = SourceText("Failed to read the project file.");
inline constexpr auto kProjectVersionUnsupported = SourceText(
    "This version is not supported.\n\nPlease check for an update at\n"
    "https://oskelvind.example/skylacer");

// A photo whose path does not fit a project's path record (259 bytes), with that path.
std::string projectPathTooLongText(std::string_view photo);

// Progress texts of the saves and exports.
inline constexpr auto kSaving = SourceText("Saving: ");
inline constexpr auto kConvertingToJpeg = SourceText("Converting to JPEG.");
inline constexpr auto kSavingConvertingToJpeg = SourceText("Saving: Converting to JPEG.");
inline constexpr auto kSavingToQuickTime = SourceText("Saving to QuickTime...");
inline constexpr auto kOpeningResult = SourceText("Opening result... ");
inline constexpr auto kSavingPreparingExe = SourceText("Saving: Preparing exe file.");
inline constexpr auto kSavingFinished = SourceText("Saving: Finished.");

// "Exception: Not enough memory..." as the stitch shows it; here for a picture that could not be
// made for lack of memory.
inline constexpr auto kNotEnoughMemory = SourceText(
    "Exception: Not enough memory\r\n\r\nPlease restart the program if you want to stitch "
    "another panorama.");

// A movie needs a source at least 96 pixels wide and 4 high after rounding down, and no
// higher than wide.
inline constexpr auto kMovieTooSmall = SourceText(
    "The QuickTime movie cannot be made: the output must be at least 96 pixels wide, at least 4 "
    "pixels high and no higher than wide.");

// "Failed to save the image.      \r\n\r\nError code: %d" (six spaces after the full stop).
std::string imageSaveFailedText(int status);
inline std::string imageSaveFailedText(imaging::ImagingStatus status) {
  return imageSaveFailedText(static_cast<int>(status));
}

// "Failed to find file\n%s\n\nPlease check your installation and/or try to re-install the
// product." with the path of the missing "viewer.dat".
std::string viewerMissingText(const std::filesystem::path& viewer);

// "Failed to find the needed template file\n%s\n\nPlease check your installation and/or try to
// re-install the product." with the template's source path.
std::string templateMissingText(const std::filesystem::path& source);

// "Failed to save the file:\n%s\n\nPlease check that you have the appropriate permissions to save
// the file." with the path that could not be written.
std::string fileSaveFailedText(const std::filesystem::path& target);

// Why a file operation failed, in words, from an errno value: "no space left on device".
std::string reasonText(int error);

// Why the imaging layer could not make, read or save a picture, in words: "not a JPEG or PNG
// picture", "the picture is damaged or cut short".
std::string imagingReasonText(imaging::ImagingStatus status);

// Why the movie writer failed, in words, from its result code (-34 "no space left on device").
std::string movieWriterReasonText(int code);

// "cannot write out/j.jpg: no space left on device" and "cannot read a.jpg: ...".
std::string cannotWriteText(const std::filesystem::path& file, std::string_view reason);
std::string cannotReadText(const std::filesystem::path& file, std::string_view reason);

// "folder out/ does not exist": an output into a folder that is not there.
std::string folderMissingText(const std::filesystem::path& folder);

// A message of the system followed, on a line of its own, by the file and the reason.
std::string withDetail(std::string_view message, std::string_view detail);

// "Processing template file %d." with the 1-based number of the template.
std::string processingTemplateText(int number);

}  // namespace skylacer::output
