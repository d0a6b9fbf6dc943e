// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/messages.h"

#include <cctype>
#include <cstring>

#include "platform/imaging/failure_reason.h"

namespace skylacer::output {

std::string projectPathTooLongText(std::string_view photo) {
  return localText(
      "Failed to save the project file.\n\nThe path of this photo is longer than 259 bytes:\n%s",
      {photo});
}

std::string imageSaveFailedText(int status) {
  return localText("Failed to save the image.      \r\n\r\nError code: %d",
                   {std::to_string(status)});
}

std::string viewerMissingText(const std::filesystem::path& viewer) {
  return localText(
      "Failed to find file\n%s\n\nPlease check your installation and/or try to re-install the "
      "product.",
      {viewer.string()});
}

std::string templateMissingText(const std::filesystem::path& source) {
  return localText(
      "Failed to find the needed template file\n%s\n\nPlease check your installation and/or try "
      "to re-install the product.",
      {source.string()});
}

std::string fileSaveFailedText(const std::filesystem::path& target) {
  return localText(
      "Failed to save the file:\n%s\n\nPlease check that you have the appropriate permissions to "
      "save the file.",
      {target.string()});
}

std::string reasonText(int error) {
  std::string reason = std::strerror(error);
  if (!reason.empty())
    reason[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(reason[0])));
  return reason;
}

std::string imagingReasonText(imaging::ImagingStatus status) {
  using imaging::ImagingStatus;
  switch (status) {
    case ImagingStatus::Ok:
      return localText("no failure");
    case ImagingStatus::GenericError:
      return localText("the picture is damaged or cut short");
    case ImagingStatus::Win32Error:
      return localText("the file cannot be written");
    default:
      return imaging::statusReason(status);
  }
}

std::string movieWriterReasonText(int code) {
  switch (code) {
    case -34:
      return localText("no space left on device");
    case -36:
      return localText("a read or a write failed");
    case -43:
      return localText("no such file or folder");
    case -50:
      return localText("an invalid size or argument");
    case -54:
      return localText("permission denied");
    case -108:
      return localText("not enough memory");
    case -2003:
      return localText("the picture cannot be read");
    case -8960:
      return localText("the movie's encoder failed");
    default:
      return localText("the movie writer failed");
  }
}

std::string cannotWriteText(const std::filesystem::path& file, std::string_view reason) {
  return localText("cannot write %s: %s", {file.string(), reason});
}

std::string cannotReadText(const std::filesystem::path& file, std::string_view reason) {
  return localText("cannot read %s: %s", {file.string(), reason});
}

std::string folderMissingText(const std::filesystem::path& folder) {
  std::string name = folder.string();
  if (!name.ends_with('/')) name += '/';
  return localText("folder %s does not exist", {name});
}

std::string withDetail(std::string_view message, std::string_view detail) {
  std::string text(message);
  if (!detail.empty()) {
    text += "\n\n";
    text += detail;
  }
  return text;
}

std::string processingTemplateText(int number) {
  return localText("Processing template file %d.", {std::to_string(number)});
}

}  // namespace skylacer::output
