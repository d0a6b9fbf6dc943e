// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The programs' message catalogue: the translations of their texts through GNU gettext, text
// domain "skylacer3". The build compiles po/LANGUAGE.po into the data folder (data_folder.h) as
// locale/LANGUAGE/LC_MESSAGES/skylacer3.mo: beside the programs in the build tree,
// PREFIX/share/skylacer3/locale when installed.

#include <filesystem>

namespace skylacer::shell {

// Takes the user's language from the environment (LANGUAGE, LC_ALL, LC_MESSAGES, LANG) and reads
// the translations from the data folder of the programs in `programFolder`. Numbers keep the "C"
// locale's form, which files, pages and the movie depend on: a decimal point, whatever the user's
// language. The texts come out in UTF-8 whatever the locale's character set. A language without a
// translation, or a locale the system lacks, leaves the texts English.
void openMessageCatalogue(const std::filesystem::path& programFolder);

// The catalogue's wording of `english` in the user's language, or `english` itself: the lookup a
// program installs with setTextLookup once the catalogue is open.
const char* catalogueText(const char* english);

}  // namespace skylacer::shell
