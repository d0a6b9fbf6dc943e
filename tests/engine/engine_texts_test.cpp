// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's texts come through the program's text lookup, and a translation may put the
// values of a refusal in another order.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/messages.h"
#include "platform/imaging/local_text.h"

namespace skylacer {
namespace {

const char* reorderingLookup(const char* english) {
  if (std::strcmp(english, "Photos %d and %d (%s, %s) share too little detail to align.") == 0)
    return "%3$s (%1$d) und %4$s (%2$d) haben zu wenig gemeinsam.";
  if (std::strcmp(english, "Aligning image %d...") == 0) return "Bild %d wird ausgerichtet...";
  if (std::strcmp(english, "Stitch anyway") == 0) return "Trotzdem zusammensetzen";
  return english;
}

TEST(EngineTexts, ComeThroughTheInstalledLookupWithTheirValuesInItsOrder) {
  AlignmentRefusal refusal;
  refusal.problem = AlignmentProblem::TooLittleDetail;
  refusal.firstPhoto = 1;
  refusal.secondPhoto = 2;
  const std::vector<std::string> files = {"/p/a.jpg", "/p/b.jpg", "/p/c.jpg"};
  EXPECT_EQ(refusalText(refusal, files),
            "Photos 2 and 3 (b.jpg, c.jpg) share too little detail to align.");

  setTextLookup(reorderingLookup);
  const std::string refused = refusalText(refusal, files);
  const std::string aligning = aligningImageText(4);
  const std::string button(engineText(EngineText::StitchAnyway));
  setTextLookup(nullptr);
  EXPECT_EQ(refused, "b.jpg (2) und c.jpg (3) haben zu wenig gemeinsam.");
  EXPECT_EQ(aligning, "Bild 4 wird ausgerichtet...");
  EXPECT_EQ(button, "Trotzdem zusammensetzen");
}

}  // namespace
}  // namespace skylacer
