// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/imaging/local_text.h"

#include <atomic>
#include <charconv>
#include <vector>

namespace skylacer {

namespace {

// Texts are also made off the calling thread (a photo found damaged while read ahead), so the
// lookup is read atomically.
std::atomic<TextLookup> installedLookup{nullptr};

}  // namespace

void setTextLookup(TextLookup lookup) {
  installedLookup.store(lookup);
}

const char* localText(const char* english) {
  const TextLookup lookup = installedLookup.load(std::memory_order_relaxed);
  return lookup != nullptr ? lookup(english) : english;
}

std::string filledText(std::string_view text, std::initializer_list<std::string_view> values) {
  const std::vector<std::string_view> given(values);
  std::string filled;
  std::size_t next = 0;  // the value the next placeholder without a position takes
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t percent = text.find('%', at);
    filled.append(text.substr(at, percent - at));
    if (percent == std::string_view::npos) break;
    if (text.substr(percent, 2) == "%%") {
      filled += '%';
      at = percent + 2;
      continue;
    }
    // "%d", "%s" or "%N$d", "%N$s" with N counted from 1.
    std::size_t index = next;
    std::size_t letter = percent + 1;
    unsigned position = 0;
    const auto [digitsEnd, error] =
        std::from_chars(text.data() + letter, text.data() + text.size(), position);
    const auto afterDigits = static_cast<std::size_t>(digitsEnd - text.data());
    if (error == std::errc() && position > 0 && afterDigits < text.size() &&
        text[afterDigits] == '$') {
      index = position - 1;
      letter = afterDigits + 1;
    }
    const bool placeholder = letter < text.size() && (text[letter] == 'd' || text[letter] == 's');
    if (!placeholder || index >= given.size()) {
      filled += '%';
      at = percent + 1;
      continue;
    }
    filled.append(given[index]);
    next = index + 1;
    at = letter + 1;
  }
  return filled;
}

std::string localText(const char* english, std::initializer_list<std::string_view> values) {
  return filledText(localText(english), values);
}

}  // namespace skylacer
