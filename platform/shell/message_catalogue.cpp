// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/shell/message_catalogue.h"

#include <libintl.h>

#include <clocale>

#include "platform/shell/data_folder.h"

namespace skylacer::shell {

namespace {

constexpr char kTextDomain[] = "skylacer3";

}  // namespace

void openMessageCatalogue(const std::filesystem::path& programFolder) {
  std::setlocale(LC_ALL, "");
  std::setlocale(LC_NUMERIC, "C");
  const std::filesystem::path locales = dataFolder(programFolder, "locale") / "locale";
  bindtextdomain(kTextDomain, locales.c_str());
  bind_textdomain_codeset(kTextDomain, "UTF-8");
}

const char* catalogueText(const char* english) {
  // An empty text would give the catalogue's header entry.
  return english[0] == '\0' ? english : dgettext(kTextDomain, english);
}

}  // namespace skylacer::shell
