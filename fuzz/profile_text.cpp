// SPDX-License-Identifier: GPL-3.0-or-later
// The profile text: the check of a profile's numbers (--params), the "%d"-like reading of stored
// texts and the clamping of what was stored. Beyond not crashing: a text the check accepts reads
// as 13 fields within their bounds and is written back equal in value; whatever a stored text
// gives, clamping leaves a record the check accepts, and clamping it again changes nothing.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "engine/params.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace skylacer;
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  StitchParams stored = paramsFromProfileText(kProfileTemplateText);
  const int read = parseProfileText(text, stored, static_cast<int>(size % 15));
  if (read < 0 || read > kProfileTextFields) std::abort();
  clampProfileFields(stored);
  const std::string clampedText = formatProfileText(stored);
  if (profileTextProblem(clampedText) || !clampProfileFields(stored).empty()) std::abort();

  if (profileTextProblem(text)) return 0;
  StitchParams accepted;
  if (parseProfileText(text, accepted) != kProfileTextFields) std::abort();
  StitchParams inBounds = accepted;
  if (!clampProfileFields(inBounds).empty()) std::abort();
  if (paramsFromProfileText(formatProfileText(accepted)) != accepted) std::abort();
  return 0;
}
