#include "output/messages.h"

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

std::string processingTemplateText(int number) {
  return "Processing template file " + std::to_string(number) + ".";
}

}  // namespace skylacer::output
