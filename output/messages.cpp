// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/messages.h"

#include <cctype>
#include <cstring>

#include "platform/imaging/failure_reason.h"

namespace skylacer::output {

std::string projectPathTooLongText(std::string_view photo) {
  return "Failed to save the project file.\n\nThe path of this photo is longer than 259 "
         "bytes:\n" +
         std::string(photo);
}

std::string imageSaveFailedText(int status) {
  return "Failed to save the image.      \r\n\r\nError code: " + std::to_string(status);
}

std::string viewerMissingText(const std::filesystem::path& viewer) {
  return "Failed to find file\n" + viewer.string() +
         "\n\nPlease check your installation and/or try to re-install the product.";
}

std::string templateMissingText(const std::filesystem::path& source) {
  return "Failed to find the needed template file\n" + source.string() +
         "\n\nPlease check your installation and/or try to re-install the product.";
}

std::string fileSaveFailedText(const std::filesystem::path& target) {
  return "Failed to save the file:\n" + target.string() +
         "\n\nPlease check that you have the appropriate permissions to save the file.";
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
      return "no failure";
    case ImagingStatus::GenericError:
      return "the picture is damaged or cut short";
    case ImagingStatus::Win32Error:
      return "the file cannot be written";
    default:
      return imaging::statusReason(status);
  }
}

std::string movieWriterReasonText(int code) {
  switch (code) {
    case -34:
      return "no space left on device";
    case -36:
      return "a read or a write failed";
    case -43:
      return "no such file or folder";
    case -50:
      return "an invalid size or argument";
    case -54:
      return "permission denied";
    case -108:
      return "not enough memory";
    case -2003:
      return "the picture cannot be read";
    case -8960:
      return "the movie's encoder failed";
    default:
      return "the movie writer failed";
  }
}

std::string cannotWriteText(const std::filesystem::path& file, std::string_view reason) {
  return "cannot write " + file.string() + ": " + std::string(reason);
}

std::string cannotReadText(const std::filesystem::path& file, std::string_view reason) {
  return "cannot read " + file.string() + ": " + std::string(reason);
}

std::string folderMissingText(const std::filesystem::path& folder) {
  std::string name = folder.string();
  if (!name.ends_with('/')) name += '/';
  return "folder " + name + " does not exist";
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
  return "Processing template file " + std::to_string(number) + ".";
}

}  // namespace skylacer::output
