// SPDX-License-Identifier: GPL-3.0-or-later
// A profile export (".reg") as the stitch parameters it gives: every profile the import accepts
// holds each field within the tuner's limits, so no imported record can drive the engine outside
// them, and the four fields a profile does not store stay 0.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "tuning/profile_reg_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace skylacer;
  const tuning::ProfileRegFileContent content =
      tuning::parseProfileRegFile(std::string_view(reinterpret_cast<const char*>(data), size));
  for (const tuning::ParamProfile& profile : content.profiles) {
    StitchParams record = profile.record;
    if (!clampProfileFields(record).empty()) std::abort();
    if (profileTextProblem(formatProfileText(record))) std::abort();
    if (record.finestLevelLimit != 0 || record.coarsestLevel != 0 ||
        record.meanRemovedSearch != 0 || record.full360 != 0)
      std::abort();
    if (!(initialFocalLength(record) >= 0.1 && initialFocalLength(record) <= 11.0)) std::abort();
  }
  return 0;
}
