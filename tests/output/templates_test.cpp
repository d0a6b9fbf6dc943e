// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/templates.h"

#include <gtest/gtest.h>

#include "output/messages.h"
#include "tests/output/recorders.h"
#include "tests/output/test_panorama.h"
#include "tests/support/file_contents.h"
#include "tests/support/temp_dir.h"

namespace skylacer::output {
namespace {

TEST(Placeholders, EveryOccurrenceIsReplacedInOnePass) {
  const std::vector<Placeholder> values = {{"#A#", "1"}, {"#NAME#", "#A# & co"}, {"#B#", ""}};
  EXPECT_EQ(substitutePlaceholders("#A#-#A#:#NAME#;#B#;#C#;##A##", values),
            "1-1:#A# & co;;#C#;#1#");
  EXPECT_EQ(substitutePlaceholders("no keys here #", values), "no keys here #");
}

struct TemplatePlace {
  test::TempDir program, out;
  TemplatePlace() {
    std::filesystem::create_directories(program / "templates" / "kind");
    write("template.htm", "<p>#X#</p>");
    write("template.xml", "<x v=\"#X#\"/>");
    write("tool.bin", std::string("\0\xFF#X#\r\n", 7));
  }
  void write(const std::string& name, const std::string& text) const {
    test::writeFile(program / "templates" / "kind" / name, {text.begin(), text.end()});
  }
  PageTarget target() const { return {out.path(), "page"}; }
};

TEST(Templates, PagesTakeTheBaseNameAndBinaryFilesAreCopiedByteForByte) {
  TemplatePlace place;
  const std::vector<TemplateEntry> entries = {{"templates/kind", "template", ".html", true},
                                              {"templates/kind", "template", ".htm", true},
                                              {"templates/kind", "template", ".xml", true},
                                              {"templates/kind", "tool", ".bin", false}};
  const std::vector<Placeholder> values = {{"#X#", "42"}};
  test::RecordingProgress progress;
  test::RecordingPrompt prompt;
  ASSERT_TRUE(
      processTemplates(entries, values, place.target(), place.program.path(), progress, prompt));
  EXPECT_EQ(test::fileNames(place.out.path()),
            (std::vector<std::string>{"page.htm", "page.html", "page.xml", "tool.bin"}));
  EXPECT_EQ(test::fileText(place.out / "page.html"), "<p>42</p>");
  EXPECT_EQ(test::fileText(place.out / "page.xml"), "<x v=\"42\"/>");
  EXPECT_EQ(test::fileText(place.out / "tool.bin"), std::string("\0\xFF#X#\r\n", 7));
  EXPECT_EQ(progress.texts()[3], "Processing template file 4.");
  EXPECT_DOUBLE_EQ(progress.reports[3].position, 0.6);
}

TEST(Templates, StopsAtTheFirstFailureKeepingWhatWasWritten) {
  TemplatePlace place;
  const std::vector<TemplateEntry> missing = {{"templates/kind", "template", ".html", true},
                                              {"templates/kind", "gone", ".js", false},
                                              {"templates/kind", "tool", ".bin", false}};
  test::RecordingProgress progress;
  test::RecordingPrompt prompt;
  EXPECT_FALSE(
      processTemplates(missing, {}, place.target(), place.program.path(), progress, prompt));
  EXPECT_EQ(prompt.messages, std::vector<std::string>{
                                 templateMissingText(place.program / "templates/kind/gone.js")});
  EXPECT_EQ(prompt.icons, std::vector<MessageIcon>{MessageIcon::Error});
  EXPECT_EQ(test::fileNames(place.out.path()), std::vector<std::string>{"page.html"});

  const PageTarget nowhere{place.out / "none", "page"};
  EXPECT_FALSE(processTemplates(missing, {}, nowhere, place.program.path(), progress, prompt));
  EXPECT_EQ(prompt.messages.back(), withDetail(fileSaveFailedText(place.out / "none" / "page.html"),
                                               folderMissingText(place.out / "none")));
}

}  // namespace
}  // namespace skylacer::output
