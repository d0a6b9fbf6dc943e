// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/movie_script.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "output/file_replacement.h"
#include "output/messages.h"

namespace skylacer::output {

namespace {

std::string base64(const std::vector<std::uint8_t>& bytes) {
  constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t count = std::min<std::size_t>(3, bytes.size() - i);
    std::uint32_t group = std::uint32_t(bytes[i]) << 16;
    if (count > 1) group |= std::uint32_t(bytes[i + 1]) << 8;
    if (count > 2) group |= bytes[i + 2];
    for (std::size_t k = 0; k < 4; ++k)
      text += k <= count ? kDigits[(group >> (18 - 6 * k)) & 63] : '=';
  }
  return text;
}

}  // namespace

std::filesystem::path movieScriptPath(const std::filesystem::path& movie) {
  return std::filesystem::path(movie.string() + ".js");
}

bool writeMovieScript(const std::filesystem::path& movie, std::string& failure) {
  std::ifstream in(movie, std::ios::binary);
  std::vector<std::uint8_t> bytes;
  if (in) bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (!in || in.bad()) {
    failure = cannotReadText(movie, "the file cannot be read");
    return false;
  }
  const auto script = FileReplacement::create(movieScriptPath(movie), FileKind::Document, &failure);
  if (!script) return false;
  if (script->write("document.currentScript.skylacerMovie=\"") && script->write(base64(bytes)) &&
      script->write("\";\n") && script->commit())
    return true;
  failure = script->failure();
  return false;
}

}  // namespace skylacer::output
