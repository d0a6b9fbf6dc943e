// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace skylacer::test {

// Every byte of a file, read in binary mode; empty when the file cannot be read.
std::string fileText(const std::filesystem::path& file);
std::vector<std::uint8_t> fileBytes(const std::filesystem::path& file);

// Creates or replaces a file with exactly these bytes.
void writeFile(const std::filesystem::path& file, std::string_view text);
void writeFile(const std::filesystem::path& file, std::span<const std::uint8_t> bytes);

// The names of the entries directly in a folder, sorted.
std::vector<std::string> fileNames(const std::filesystem::path& folder);

}  // namespace skylacer::test
