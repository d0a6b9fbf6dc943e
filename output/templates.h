// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The template engine of the web exports: copies template files from the folders under
// "templates/" beside the program into the page's folder, replacing placeholders in the text
// templates.

#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "engine/progress.h"
#include "output/prompt.h"

namespace skylacer::output {

struct TemplateEntry {
  std::string_view folder;     // relative to the program's folder, e.g. "templates/flash"
  std::string_view name;       // file name without extension; "template" stands for the page
  std::string_view extension;  // with its dot: ".swf", ".xml", or the page's own extension
  bool substitute = false;     // text template whose placeholders are replaced
};

struct Placeholder {
  std::string_view key;  // a word between two number signs, e.g. "#PANOWIDTH#"
  std::string value;     // inserted as it is: the caller escapes it for where it lands
};

// The output folder and the page's file name without extension.
struct PageTarget {
  std::filesystem::path folder;
  std::string baseName;
};

// Where the entry is written: target.folder/(baseName for "template" in any letter case, else
// name) + extension.
std::filesystem::path templateTargetPath(const TemplateEntry& entry, const PageTarget& target);

// The text with every occurrence of each key replaced by its value, in one pass from left to
// right: at each position the first key of the list that matches there (case-sensitive) wins,
// and inserted values are not searched again.
std::string substitutePlaceholders(std::string_view text,
                                   std::span<const Placeholder> placeholders);

// For each entry k: reports k / 5 with "Processing template file <k+1>.", reads
// programFolder/folder/name + extension (".htm" for any extension beginning with ".htm" in any
// letter case), replaces the placeholders when the entry asks for it, and writes it at
// templateTargetPath. Stops at
// the first failure after showing its message with the error icon: the missing template with
// its source path, or the target that could not be written (which is left as it was). Files
// written before stay. Returns true when every entry was written.
bool processTemplates(std::span<const TemplateEntry> entries,
                      std::span<const Placeholder> placeholders, const PageTarget& target,
                      const std::filesystem::path& programFolder, IProgress& progress,
                      UserPrompt& prompt);

}  // namespace skylacer::output
