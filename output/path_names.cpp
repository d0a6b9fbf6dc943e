// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/path_names.h"

namespace skylacer::output {

namespace {

constexpr std::string_view kSeparators = "/\\";

std::size_t fileNameStart(std::string_view path) {
  const std::size_t separator = path.find_last_of(kSeparators);
  return separator == std::string_view::npos ? 0 : separator + 1;
}

}  // namespace

std::string_view fileNameOf(std::string_view path) {
  return path.substr(fileNameStart(path));
}

std::string_view folderOf(std::string_view path) {
  return path.substr(0, fileNameStart(path));
}

std::string_view withoutExtension(std::string_view fileName) {
  return fileName.substr(0, fileName.rfind('.'));
}

std::string replaceExtension(std::string_view path, std::string_view extension) {
  const std::size_t nameStart = fileNameStart(path);
  const std::size_t dot = path.rfind('.');
  const std::size_t stemEnd = dot == std::string_view::npos || dot < nameStart ? path.size() : dot;
  std::string result(path.substr(0, stemEnd));
  result += extension;
  return result;
}

}  // namespace skylacer::output
