// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/web_page_values.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

#include "output/panorama.h"
#include "output/path_names.h"

namespace skylacer::output {

namespace {

bool beginsWithHtm(std::string_view extension) {
  constexpr std::string_view kHtm = ".htm";
  if (extension.size() < kHtm.size()) return false;
  for (std::size_t i = 0; i < kHtm.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(extension[i])) != kHtm[i]) return false;
  return true;
}

// Degrees of a field of view, held to a range that converts to int for any input.
double degreesOf(double fieldOfView) {
  const double degrees = fieldOfView * 180 / kProgramPi;
  return std::isnan(degrees) ? 0 : std::clamp(degrees, -1e6, 1e6);
}

}  // namespace

PageName pageNameFor(std::string_view chosenPath) {
  const std::string_view fileName = fileNameOf(chosenPath);
  const std::string_view stem = withoutExtension(fileName);
  const std::string_view extension = fileName.substr(stem.size());
  PageName page{std::string(folderOf(chosenPath)), std::string(stem), std::string(extension)};
  if (!beginsWithHtm(extension)) {
    page.baseName += extension;
    page.extension = ".html";
  }
  return page;
}

ImageSize viewerObjectSize(ImageSize picture) {
  if (picture.width <= picture.height) return ImageSize{400, 300};
  const int height = std::clamp(picture.height, 100, 500);
  return ImageSize{std::min(height / 3 * 4, 770), height};
}

int angleDegrees(double fieldOfView) {
  return static_cast<int>(std::ceil(degreesOf(fieldOfView)));
}

std::string radiansText(double fieldOfView) {
  char text[64];
  const auto [end, error] =
      std::to_chars(text, text + sizeof text, fieldOfView, std::chars_format::fixed, 6);
  return error == std::errc() ? std::string(text, end) : std::string("0.000000");
}

int flashPartWidth(int outputWidth, int angle) {
  const int divisor = std::max(angle / 10, 1);
  const int width = outputWidth / divisor / 8 * 8;
  if (width <= 0) return 8;
  return std::min(width, 128);
}

int partCount(int outputWidth, int partWidth) {
  if (outputWidth < 1 || partWidth < 1) return 0;
  return (outputWidth + partWidth - 1) / partWidth;
}

std::string escapeMarkup(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      case '\'':
        escaped += "&#39;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

}  // namespace skylacer::output
