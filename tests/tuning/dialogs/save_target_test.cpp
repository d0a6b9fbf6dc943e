// SPDX-License-Identifier: GPL-3.0-or-later
// The save dialog's name and file type follow what was typed: a listed extension chooses its
// filter, any other name gets the selected filter's extension.

#include <gtest/gtest.h>

#include <QTest>

#include "resources/app_texts.h"
#include "tests/support/temp_dir.h"
#include "tests/tuning/dialogs/dialog_test_support.h"
#include "tuning/file_dialog.h"

namespace skylacer::tuning {
namespace {

using skylacer::test::TempDir;

TEST(SaveTarget, TypedExtensionChoosesTheFilterAndOthersGetOneAppended) {
  const std::vector<FileFilter> image = parseFilterText(
      "JPEG files (*.jpg)|*.jpg;*.jpeg,*.jpe|QuickTime panorama files (*.mov)|*.mov|All "
      "Files|*.*||");
  const struct {
    const char* typed;
    int selected;
    const char* name;
    int filter;
  } cases[] = {
      {"/o/typecheck.jpg", 2, "/o/typecheck.jpg", 1},  // QuickTime selected, a JPEG typed
      {"/o/a.JPEG", 2, "/o/a.JPEG", 1},
      {"/o/a.jpe", 3, "/o/a.jpe", 1},
      {"/o/a.mov", 1, "/o/a.mov", 2},
      {"/o/a.Mov", 3, "/o/a.Mov", 2},
      {"/o/v1.2/pano", 2, "/o/v1.2/pano.mov", 2},  // a dot in a folder is no extension
      {"/o/pano.v2", 1, "/o/pano.v2.jpg", 1},
      {"/o/pano.png", 3, "/o/pano.png.jpg", 3},  // "All Files" writes a JPEG, named so
      {"/o/pano.", 2, "/o/pano.mov", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    const SaveTarget target = saveTarget(c.typed, image, c.selected, "jpg");
    EXPECT_EQ(target.fileName, c.name);
    EXPECT_EQ(target.filterIndex, c.filter);
  }

  // Filters listing the same extensions keep the one selected.
  const std::vector<FileFilter> pages =
      parseFilterText("Flash (*.html)|*.htm;*.html|Java (*.html)|*.htm;*.html||");
  EXPECT_EQ(saveTarget("/w/page.htm", pages, 2, "html").filterIndex, 2);
}

// Through the dialog as the user types: "typecheck.jpg" with the movie filter selected used to
// come out as a movie.
TEST(SaveTarget, DialogReportsTheTypeOfTheTypedName) {
  TempDir dir;
  FileDialogRequest request;
  request.mode = FileDialogMode::Save;
  request.filterText = skylacer::app::texts::kImageFilter;
  request.filterIndex = 2;
  request.defaultExtension = "jpg";
  request.initialFolder = dir.path();
  for (const auto& [typed, written, filter] :
       {std::tuple{"typecheck.jpg", "typecheck.jpg", 1}, std::tuple{"pano", "pano.mov", 2},
        std::tuple{"pano.v2", "pano.v2.mov", 2}}) {
    SCOPED_TRACE(typed);
    FileDialog dialog(request);
    dialog.show();
    test::enterFileName(dialog, QString::fromUtf8(typed));
    dialog.accept();
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.choice().files, std::vector{dir / written});
    EXPECT_EQ(dialog.choice().filterIndex, filter);
  }
}

}  // namespace
}  // namespace skylacer::tuning
