// SPDX-License-Identifier: GPL-3.0-or-later
// Texts in the user's language: placeholders filled in the translation's order, and constants
// looked up where they are used, through the lookup the program installs.

#include "platform/imaging/local_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>

namespace skylacer {
namespace {

TEST(FilledText, PlaceholdersTakeTheValuesInOrderOrByTheirNumber) {
  struct Case {
    const char* text;
    std::string expected;
  };
  for (const Case& c : {
           Case{"Photos %d and %d (%s, %s)", "Photos 1 and 2 (a.jpg, b.jpg)"},
           // A translation that names its values in another order.
           Case{"%3$s und %4$s (Fotos %1$d und %2$d)", "a.jpg und b.jpg (Fotos 1 und 2)"},
           Case{"%2$d, then the next: %s", "2, then the next: a.jpg"},
           Case{"100%% of %d", "100% of 1"},
           // What is not a placeholder, or has no value, stays as it is.
           Case{"50% %x %9$s %", "50% %x %9$s %"},
       }) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(filledText(c.text, {"1", "2", "a.jpg", "b.jpg"}), c.expected);
  }
  // A value's own "%s" is not filled again.
  EXPECT_EQ(filledText("%s and %s", {"%s", "b"}), "%s and b");
}

constexpr auto kGreeting = SourceText("Saving: ");

const char* germanLookup(const char* english) {
  if (std::strcmp(english, "Saving: ") == 0) return "Speichern: ";
  if (std::strcmp(english, "cannot read %s: %s") == 0)
    return "%1$s kann nicht gelesen werden: %2$s";
  return english;
}

// Installs a lookup for the life of the object and removes it again.
class InstalledLookup {
 public:
  explicit InstalledLookup(TextLookup lookup) { setTextLookup(lookup); }
  ~InstalledLookup() { setTextLookup(nullptr); }
  InstalledLookup(const InstalledLookup&) = delete;
  InstalledLookup& operator=(const InstalledLookup&) = delete;
};

TEST(LocalText, IsEnglishUntilALookupIsInstalledAndTheLookupsAfterwards) {
  const char* english = "cannot read %s: %s";
  EXPECT_EQ(localText(english), english);
  EXPECT_STREQ(static_cast<const char*>(kGreeting), "Saving: ");
  {
    const InstalledLookup german(germanLookup);
    // A constant made before the lookup was installed converts to the translation.
    EXPECT_STREQ(static_cast<const char*>(kGreeting), "Speichern: ");
    EXPECT_EQ(static_cast<std::string_view>(kGreeting), "Speichern: ");
    EXPECT_EQ(localText("cannot read %s: %s", {"a.jpg", "no such file"}),
              "a.jpg kann nicht gelesen werden: no such file");
    EXPECT_STREQ(localText("a text it does not know"), "a text it does not know");
  }
  EXPECT_EQ(localText("cannot read %s: %s", {"a.jpg", "no such file"}),
            "cannot read a.jpg: no such file");
}

}  // namespace
}  // namespace skylacer
