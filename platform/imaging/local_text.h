// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The texts the system shows, in the user's language. Every layer writes its texts in English,
// the form the translations are keyed by, and looks them up here where it hands them on. The
// lookup is the program's: each program installs its message catalogue's lookup at start
// (platform/shell/message_catalogue); until then, and for a text the catalogue lacks, a text stays
// English. It sits at the bottom of the layers so that the imaging layer and the engine, which do
// not reach the shell layer, look their texts up the same way as the outputs and the front ends.

#include <initializer_list>
#include <string>
#include <string_view>

namespace skylacer {

// The user's wording of a text, from its English form; `english` itself when there is none. What
// it returns must live as long as the program.
using TextLookup = const char* (*)(const char* english);

// Installs `lookup` for every later localText; nullptr keeps the texts English. Meant for a
// program's main, before the work starts.
void setTextLookup(TextLookup lookup);

// `english` in the user's language. A printf format handed through it is checked by the compiler
// against the arguments as if it were given directly.
[[gnu::format_arg(1)]] const char* localText(const char* english);

// `text` with its placeholders replaced by `values`: each "%d" or "%s" takes the next value, and
// "%2$s" (or "%2$d") the second, so that a translation may name them in another order; "%%" is a
// percent sign. A placeholder past the values is left as it is.
std::string filledText(std::string_view text, std::initializer_list<std::string_view> values);

// `english` in the user's language with its placeholders filled by `values` (see filledText).
std::string localText(const char* english, std::initializer_list<std::string_view> values);

// A text constant held in English and shown in the user's language wherever it is used: it is
// looked up each time it is converted, so that a constant initialised before main still comes
// out translated once the program has installed its lookup. The translations' template collects
// it from the words SourceText("...").
class SourceText {
 public:
  constexpr explicit SourceText(const char* english) : english_(english) {}

  operator const char*() const { return localText(english_); }
  operator std::string_view() const { return localText(english_); }

 private:
  const char* english_;
};

}  // namespace skylacer
