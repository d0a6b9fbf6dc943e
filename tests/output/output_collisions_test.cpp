// SPDX-License-Identifier: GPL-3.0-or-later
// Outputs that would overwrite an input or each other are found before any work.

#include "output/output_collisions.h"

#include <gtest/gtest.h>

#include "output/webexport.h"
#include "tests/support/file_contents.h"
#include "tests/support/temp_dir.h"

namespace skylacer::output {
namespace {

namespace fs = std::filesystem;

std::optional<std::string> collision(const std::vector<fs::path>& inputs,
                                     const std::vector<PlannedOutput>& outputs) {
  return findOutputCollision(inputs, outputs);
}

TEST(OutputCollisions, AnInputIsFoundUnderAnyNameItHas) {
  const test::TempDir dir;
  fs::create_directory(dir / "sub");
  test::writeFile(dir / "a.jpg", "photo");
  fs::create_symlink(dir / "a.jpg", dir / "link.jpg");
  fs::create_hard_link(dir / "a.jpg", dir / "hard.jpg");
  const std::vector<fs::path> inputs = {dir / "a.jpg"};
  for (const fs::path& output :
       {dir / "a.jpg", dir / "sub" / ".." / "a.jpg", dir / "link.jpg", dir / "hard.jpg"}) {
    SCOPED_TRACE(output);
    const auto found = collision(inputs, {{output, "-o"}});
    ASSERT_TRUE(found);
    EXPECT_EQ(*found, "cannot write " + output.string() + " (-o): it is the input " +
                          (dir / "a.jpg").string());
  }
  EXPECT_FALSE(collision(inputs, {{dir / "b.jpg", "-o"}}));
}

TEST(OutputCollisions, TwoOutputsOfOneFileAreRefusedButDevicesMayRepeat) {
  const test::TempDir dir;
  const auto found = collision({}, {{dir / "p.jpg", "-o"}, {dir / "p.jpg", "--cameras"}});
  ASSERT_TRUE(found);
  EXPECT_EQ(*found, "cannot write " + (dir / "p.jpg").string() + " (--cameras): -o writes it too");
  EXPECT_FALSE(collision({}, {{"/dev/null", "-o"}, {"/dev/null", "--cameras"}}));
}

TEST(OutputCollisions, APageCountsThePicturesItWritesBesideItself) {
  const test::TempDir dir;
  test::writeFile(dir / "pano.jpg", "panorama");
  test::writeFile(dir / "pano12.jpg", "photo");
  const std::string page = (dir / "pano.html").string();
  // The Java page's picture and the Flash page's slices.
  EXPECT_TRUE(collision({dir / "pano.jpg"}, webPageOutputs(WebViewer::Java, page, "java")));
  EXPECT_TRUE(collision({dir / "pano12.jpg"}, webPageOutputs(WebViewer::Flash, page, "flash")));
  EXPECT_FALSE(collision({dir / "pano.jpg"}, webPageOutputs(WebViewer::Flash, page, "flash")));
  // A panorama named like a slice of a page in its folder.
  std::vector<PlannedOutput> outputs = {{dir / "pano3.jpg", "-o"}};
  const auto flash = webPageOutputs(WebViewer::Flash, page, "flash");
  outputs.insert(outputs.end(), flash.begin(), flash.end());
  EXPECT_TRUE(collision({}, outputs));
  // Two Flash pages share the viewer's files but not their slices: "p" and "p1" both number a
  // "p12.jpg".
  std::vector<PlannedOutput> pages =
      webPageOutputs(WebViewer::Flash, (dir / "a.html").string(), "a");
  const auto other = webPageOutputs(WebViewer::Flash, (dir / "b.html").string(), "b");
  pages.insert(pages.end(), other.begin(), other.end());
  EXPECT_FALSE(collision({}, pages));
  const auto overlapping = webPageOutputs(WebViewer::Flash, (dir / "a1.html").string(), "a1");
  pages.insert(pages.end(), overlapping.begin(), overlapping.end());
  EXPECT_TRUE(collision({}, pages));
}

TEST(OutputCollisions, AMissingFolderComesFirst) {
  const test::TempDir dir;
  const auto found = collision({}, {{dir / "out" / "j.jpg", "-o"}});
  ASSERT_TRUE(found);
  EXPECT_EQ(*found, "folder " + (dir / "out").string() + "/ does not exist");
}

}  // namespace
}  // namespace skylacer::output
