// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/tuner_help.h"

#include <system_error>

namespace skylacer::tuning {

std::filesystem::path tunerHelpPage(const std::filesystem::path& helpFolder, TunerTab tab) {
  const char* page = "general.html";
  if (tab == TunerTab::Lens) page = "lens.html";
  if (tab == TunerTab::Advanced) page = "advanced.html";
  return helpFolder / "tune" / page;
}

std::string tunerHelpTarget(const std::filesystem::path& helpFolder, TunerTab tab) {
  const std::filesystem::path page = tunerHelpPage(helpFolder, tab);
  std::error_code error;
  if (std::filesystem::is_regular_file(page, error)) return page.string();
  return kOnlineHelpAddress;
}

}  // namespace skylacer::tuning
