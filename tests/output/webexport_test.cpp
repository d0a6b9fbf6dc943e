// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/webexport.h"

#include <gtest/gtest.h>

#include <regex>

#include "output/messages.h"
#include "output/movie_script.h"
#include "output/path_names.h"
#include "output/quicktime_movie.h"
#include "output/web_page_values.h"
#include "tests/output/recorders.h"
#include "tests/output/test_panorama.h"
#include "tests/support/file_contents.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace skylacer::output {
namespace {

const std::filesystem::path kProgramFolder = SKYLACER_PROGRAM_FOLDER;
const double kTwoPi = 6.283185307179586;
const double kEntered360 = 360 * kProgramPi / 180;

TEST(WebPageValues, PageNamesAndPictureNames) {
  struct Case {
    const char* chosen;
    const char* page;
    const char* baseName;
  };
  for (const Case& c :
       {Case{"/w/pano.txt", "/w/pano.txt.html", "pano.txt"},
        Case{"/w/pano", "/w/pano.html", "pano"}, Case{"/w/PANO.HTM", "/w/PANO.HTM", "PANO"},
        Case{"/w/v1.2/pano", "/w/v1.2/pano.html", "pano"}}) {
    SCOPED_TRACE(c.chosen);
    const PageName page = pageNameFor(c.chosen);
    EXPECT_EQ(page.pagePath(), c.page);
    EXPECT_EQ(page.baseName, c.baseName);
  }
  EXPECT_EQ(replaceExtension("/w/v1.2/pano", ".jpg"), "/w/v1.2/pano.jpg");
  EXPECT_EQ(replaceExtension("/w/pano.page.html", ".mov"), "/w/pano.page.mov");
  EXPECT_EQ(fileNameOf("C:\\web\\pano.jpg"), "pano.jpg");
}

TEST(WebPageValues, ObjectSizes) {
  EXPECT_EQ(viewerObjectSize({4000, 1000}), (ImageSize{664, 500}));
  EXPECT_EQ(viewerObjectSize({2000, 300}), (ImageSize{400, 300}));
  EXPECT_EQ(viewerObjectSize({2000, 60}), (ImageSize{132, 100}));
  EXPECT_EQ(viewerObjectSize({9000, 600}), (ImageSize{664, 500}));
  EXPECT_EQ(viewerObjectSize({300, 900}), (ImageSize{400, 300}));
  EXPECT_EQ(viewerObjectSize(quickTimeSourceSize({1000, 500})), (ImageSize{664, 500}));
}

TEST(WebPageValues, AnglesWithTheProgramsPi) {
  EXPECT_EQ(angleDegrees(kEntered360), 360);
  EXPECT_EQ(angleDegrees(kTwoPi), 361);
  EXPECT_EQ(radiansText(kEntered360), "6.283185");
  EXPECT_EQ(radiansText(0.5), "0.500000");
}

TEST(WebPageValues, FlashPartWidths) {
  EXPECT_EQ(flashPartWidth(4000, 360), 104);
  EXPECT_EQ(partCount(4000, 104), 39);
  EXPECT_EQ(flashPartWidth(8000, 360), 128);
  EXPECT_EQ(flashPartWidth(200, 360), 8);
  EXPECT_EQ(flashPartWidth(1000, 5), 128);  // below 10 degrees the divisor is 1
  EXPECT_EQ(flashPartWidth(60, 9), 56);
}

TEST(WebPageValues, MarkupEscaping) {
  EXPECT_EQ(escapeMarkup("pano 2.jpg"), "pano 2.jpg");
  EXPECT_EQ(escapeMarkup("a\"b'<c>&d"), "a&quot;b&#39;&lt;c&gt;&amp;d");
}

// Placeholders left in a written page: any "#WORD#" the export should have filled in.
std::vector<std::string> unfilled(const std::string& text) {
  std::vector<std::string> found;
  const std::regex key("#(OBJ|PANO|PART)[A-Z]*#");
  for (std::sregex_iterator it(text.begin(), text.end(), key), end; it != end; ++it)
    found.push_back(it->str());
  return found;
}

struct ExportCase {
  WebViewer viewer;
  std::vector<std::string> files;     // in the output folder afterwards
  std::vector<std::string> snippets;  // in the page
};

class WebExport : public testing::TestWithParam<ExportCase> {};

TEST_P(WebExport, WritesThePicturesAndAFilledPage) {
  const ExportCase& c = GetParam();
  test::TempDir temporary, out;
  const test::ScopedEnv tmpdir("TMPDIR", temporary.path().c_str());
  const test::TestPanorama panorama = test::gradientPanorama({2000, 500});
  test::RecordingProgress progress;
  test::RecordingPrompt prompt;
  const std::optional<std::filesystem::path> page =
      exportWebPage(c.viewer, (out / "pano.htm").string(), panorama.view(kEntered360),
                    {{1000, 250}, 80}, kProgramFolder, progress, prompt);
  EXPECT_TRUE(prompt.messages.empty()) << prompt.messages.front();
  ASSERT_EQ(page, out / "pano.htm");
  EXPECT_EQ(test::fileNames(out.path()), c.files);
  EXPECT_TRUE(test::fileNames(temporary.path()).empty());

  const std::string text = test::fileText(*page);
  EXPECT_EQ(unfilled(text), std::vector<std::string>{});
  for (const std::string& snippet : c.snippets)
    EXPECT_NE(text.find(snippet), std::string::npos) << snippet;
  const auto firstTemplate =
      std::find_if(progress.reports.begin(), progress.reports.end(),
                   [](const auto& report) { return report.text == "Processing template file 1."; });
  ASSERT_NE(firstTemplate, progress.reports.end());
  EXPECT_DOUBLE_EQ(firstTemplate->position, 0.9);
}

std::vector<std::string> slicesAnd(int parts, std::vector<std::string> others) {
  for (int i = 1; i <= parts; ++i) others.push_back("pano" + std::to_string(i) + ".jpg");
  std::sort(others.begin(), others.end());
  return others;
}

INSTANTIATE_TEST_SUITE_P(
    Viewers, WebExport,
    testing::Values(ExportCase{WebViewer::Flash,
                               slicesAnd(42, {"pano.htm", "pano.xml", "pano0d.swf", "pano1d.swf",
                                              "pviewer.swf", "sp.swf", "swfobject.js"}),
                               {"width:332px;height:250px", "data-parts=\"42\"",
                                "data-angle-degrees=\"360\"", "data-name=\"pano\""}},
                    ExportCase{WebViewer::Java,
                               {"pano.htm", "pano.jpg", "ptviewer.jar"},
                               {"data-name=\"pano.jpg\"", "data-angle-degrees=\"360\""}},
                    ExportCase{WebViewer::ActiveX,
                               {"pano.htm", "pano.jpg"},
                               {"data-angle-radians=\"6.283185\"", "width:332px;height:250px"}},
                    ExportCase{WebViewer::QuickTimeVr,
                               {"pano.htm", "pano.mov", "pano.mov.js"},
                               {"data-name=\"pano.mov\"", "width:328px;height:263px"}}));

// The script beside the QuickTime VR page carries the movie's bytes, which the page's viewer
// reads from it: decoded back, they are the movie, whatever bytes it holds.
TEST(WebExport, MovieScriptHoldsTheMovieBytes) {
  test::TempDir out;
  std::vector<std::uint8_t> movie;
  std::string failure;
  for (int length : {0, 1, 2, 3, 256 + 2}) {
    SCOPED_TRACE(length);
    movie.resize(std::size_t(length));
    for (int i = 0; i < length; ++i) movie[std::size_t(i)] = std::uint8_t(255 - i);
    test::writeFile(out / "m.mov", std::span<const std::uint8_t>(movie));
    ASSERT_TRUE(writeMovieScript(out / "m.mov", failure)) << failure;
    const std::string script = test::fileText(out / "m.mov.js");
    const std::string head = "document.currentScript.skylacerMovie=\"", tail = "\";\n";
    ASSERT_EQ(script.substr(0, head.size()), head);
    ASSERT_EQ(script.substr(script.size() - tail.size()), tail);
    const std::string text = script.substr(head.size(), script.size() - head.size() - tail.size());
    ASSERT_EQ(text.size() % 4, 0u);
    const std::string digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::vector<std::uint8_t> decoded;
    std::uint32_t bits = 0;
    int count = 0;
    for (char digit : text) {
      if (digit == '=') break;
      bits = bits << 6 | std::uint32_t(digits.find(digit));
      if ((count += 6) >= 8) decoded.push_back(std::uint8_t(bits >> (count -= 8)));
    }
    EXPECT_EQ(decoded, movie);
  }
  EXPECT_FALSE(writeMovieScript(out / "missing.mov", failure));
  EXPECT_EQ(failure, "cannot read " + (out / "missing.mov").string() + ": the file cannot be read");
  EXPECT_FALSE(std::filesystem::exists(out / "missing.mov.js"));
}

TEST(WebExport, NamesFromFilesCannotBreakThePage) {
  test::TempDir out;
  const test::TestPanorama panorama = test::gradientPanorama({400, 100});
  test::RecordingProgress progress;
  test::RecordingPrompt prompt;
  const std::string chosen = (out / "a\"b'<i>&.htm").string();
  ASSERT_TRUE(exportWebPage(WebViewer::Java, chosen, panorama.view(), {{400, 100}, 75},
                            kProgramFolder, progress, prompt));
  EXPECT_TRUE(std::filesystem::exists(out / "a\"b'<i>&.jpg"));
  const std::string text = test::fileText(chosen);
  EXPECT_NE(text.find("data-name=\"a&quot;b&#39;&lt;i&gt;&amp;.jpg\""), std::string::npos);
  EXPECT_EQ(text.find("<i>"), std::string::npos);
}

TEST(WebExport, FailuresEndTheExportWithoutAPage) {
  test::TempDir temporary, program, out;
  const test::ScopedEnv tmpdir("TMPDIR", temporary.path().c_str());
  std::filesystem::copy(kProgramFolder / "templates", program / "templates",
                        std::filesystem::copy_options::recursive);
  std::filesystem::remove(program / "templates" / "flash" / "sp.swf");
  const test::TestPanorama panorama = test::gradientPanorama({400, 100});

  test::RecordingProgress progress;
  test::RecordingPrompt prompt;
  EXPECT_FALSE(exportWebPage(WebViewer::Flash, (out / "pano.html").string(), panorama.view(),
                             {{400, 100}, 75}, program.path(), progress, prompt));
  EXPECT_EQ(prompt.messages,
            std::vector<std::string>{templateMissingText(program / "templates/flash/sp.swf")});
  EXPECT_TRUE(std::filesystem::exists(out / "pano1.jpg"));  // pictures and earlier files stay

  for (WebViewer viewer : {WebViewer::Java, WebViewer::Flash, WebViewer::QuickTimeVr}) {
    SCOPED_TRACE(int(viewer));
    test::RecordingPrompt failed;
    EXPECT_FALSE(exportWebPage(viewer, (out / "none" / "pano.html").string(), panorama.view(),
                               {{400, 100}, 75}, kProgramFolder, progress, failed));
    EXPECT_EQ(failed.messages.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(out / "none"));
  }
  EXPECT_TRUE(test::fileNames(temporary.path()).empty());
}

// The shipped Flash movies are SWF files whose tags run exactly to their declared end.
bool validSwf(const std::vector<std::uint8_t>& bytes) {
  if (bytes.size() < 21 ||
      std::string_view(reinterpret_cast<const char*>(bytes.data()), 3) != "FWS")
    return false;
  const std::uint32_t length =
      bytes[4] | bytes[5] << 8 | bytes[6] << 16 | std::uint32_t(bytes[7]) << 24;
  if (length != bytes.size()) return false;
  const int rectBits = 5 + 4 * (bytes[8] >> 3);
  std::size_t position = 8 + (rectBits + 7) / 8 + 4;  // frame size, frame rate and count
  while (position + 2 <= bytes.size()) {
    const int header = bytes[position] | bytes[position + 1] << 8;
    std::size_t tagLength = header & 0x3F;
    position += 2;
    if (tagLength == 0x3F) {
      if (position + 4 > bytes.size()) return false;
      tagLength = bytes[position] | bytes[position + 1] << 8 | bytes[position + 2] << 16 |
                  std::size_t(bytes[position + 3]) << 24;
      position += 4;
    }
    position += tagLength;
    if (header >> 6 == 0) return position == bytes.size();  // the End tag
  }
  return false;
}

TEST(ShippedTemplates, BinaryFilesAreValidFilesOfTheirFormats) {
  for (const char* movie : {"pviewer.swf", "pano0d.swf", "pano1d.swf", "sp.swf"}) {
    SCOPED_TRACE(movie);
    EXPECT_TRUE(validSwf(test::fileBytes(kProgramFolder / "templates" / "flash" / movie)));
  }
  // A JAR is a ZIP archive whose first entry is its manifest.
  const std::string jar = test::fileText(kProgramFolder / "templates/ptviewer/ptviewer.jar");
  EXPECT_EQ(jar.substr(0, 4), "PK\x03\x04");
  EXPECT_EQ(jar.substr(30, 20), "META-INF/MANIFEST.MF");
  EXPECT_NE(jar.find("Manifest-Version: 1.0"), std::string::npos);
  EXPECT_NE(jar.find("PK\x05\x06"), std::string::npos);
}

}  // namespace
}  // namespace skylacer::output
