// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/file_contents.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace skylacer::test {

std::string fileText(const std::filesystem::path& file) {
  std::ifstream stream(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
}

std::vector<std::uint8_t> fileBytes(const std::filesystem::path& file) {
  const std::string text = fileText(file);
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

void writeFile(const std::filesystem::path& file, std::string_view text) {
  std::ofstream(file, std::ios::binary)
      .write(text.data(), static_cast<std::streamsize>(text.size()));
}

void writeFile(const std::filesystem::path& file, std::span<const std::uint8_t> bytes) {
  writeFile(file, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::vector<std::string> fileNames(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace skylacer::test
