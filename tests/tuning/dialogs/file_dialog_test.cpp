// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/file_dialog.h"

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QTest>
#include <fstream>

#include "tests/support/temp_dir.h"
#include "tests/tuning/dialogs/dialog_test_support.h"

namespace skylacer::tuning {
namespace {

using skylacer::test::TempDir;
using test::child;

constexpr char kPhotoFilters[] = "JPEG files (*.jpg)|*.jpg;*.jpeg,*.jpe|All Files (*.*)|*.*||";

void touch(const std::filesystem::path& file) {
  std::ofstream(file) << "x";
}

TEST(FilterText, SplitsFiltersAndPatternsAndEndsAtTheEmptyPair) {
  const std::vector<FileFilter> filters =
      parseFilterText("JPEG files (*.jpg)|*.jpg; *.jpeg,*.jpe|All Files (*.*)|*.*||ignored|*.x");
  ASSERT_EQ(filters.size(), 2u);
  EXPECT_EQ(filters[0], (FileFilter{"JPEG files (*.jpg)", {"*.jpg", "*.jpeg", "*.jpe"}}));
  EXPECT_EQ(filters[1], (FileFilter{"All Files (*.*)", {"*.*"}}));
  EXPECT_EQ(nameFilterOf(filters[0]), "JPEG files (*.jpg) (*.jpg *.jpeg *.jpe)");
  EXPECT_EQ(nameFilterOf(filters[1]), "All Files (*.*) (*)");
  // For the desktop's dialogs, which match by case: a camera's "A.JPG" must show.
  EXPECT_EQ(nameFilterOf(filters[0], PatternCase::Either),
            "JPEG files (*.jpg) (*.[jJ][pP][gG] *.[jJ][pP][eE][gG] *.[jJ][pP][eE])");
  EXPECT_EQ(nameFilterOf(filters[1], PatternCase::Either), "All Files (*.*) (*)");
  EXPECT_EQ(nameFilterOf(FileFilter{"C", {"*.x[ch]"}}, PatternCase::Either), "C (*.[xX][ch])");
}

// The save dialogs keep Qt's own dialog, which carries the preset row and follows the typed
// extension; the open dialogs may be the desktop's.
TEST(FileDialog, OnlyOpenDialogsMayBeTheDesktops) {
  for (const FileDialogMode mode : {FileDialogMode::Open, FileDialogMode::OpenMany}) {
    FileDialogRequest request;
    request.mode = mode;
    request.filterText = kPhotoFilters;
    EXPECT_FALSE(FileDialog(request).testOption(QFileDialog::DontUseNativeDialog));
  }
  FileDialogRequest save;
  save.mode = FileDialogMode::Save;
  save.filterText = kPhotoFilters;
  const FileDialog dialog(save);
  EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
  EXPECT_EQ(dialog.nameFilters().front(), "JPEG files (*.jpg) (*.jpg *.jpeg *.jpe)");
}

TEST(FilterText, ExtensionOfANameTypedWithoutOne) {
  const FileFilter movie{"QuickTime", {"*.mov"}};
  const FileFilter all{"All Files", {"*.*"}};
  EXPECT_EQ(extensionFor(movie, ".jpg"), "mov");
  EXPECT_EQ(extensionFor(all, ".jpg"), "jpg");
  EXPECT_EQ(extensionFor(all, "reg"), "reg");
  EXPECT_EQ(extensionFor(FileFilter{"Some", {"*.jp*"}}, ".jpg"), "jpg");
  EXPECT_EQ(extensionFor(movie, ""), "");  // no default extension: nothing is added
}

// The names the dialog lists in its folder, once it has read it.
QStringList listedNames(const FileDialog& dialog) {
  const auto& view = child<QListView>(dialog, "listView");
  QStringList names;
  if (!QTest::qWaitFor([&] { return view.model()->rowCount(view.rootIndex()) > 0; }, 3000)) {
    return {};
  }
  for (int row = 0; row < view.model()->rowCount(view.rootIndex()); ++row) {
    names << view.model()->index(row, 0, view.rootIndex()).data().toString();
  }
  names.sort();
  return names;
}

TEST(FileDialog, MatchesExtensionsWithoutRegardToCaseAndOpensManyFiles) {
  TempDir dir;
  for (const char* name : {"A.JPG", "b.jpeg", "c.Jpe", "d.png", "e"}) touch(dir / name);
  FileDialogRequest request;
  request.mode = FileDialogMode::OpenMany;
  request.filterText = kPhotoFilters;
  request.initialFolder = dir / "A.JPG";  // a file's path opens its folder
  FileDialog dialog(request);
  dialog.show();
  EXPECT_EQ(dialog.directory().absolutePath().toStdString(), dir.path().string());
  EXPECT_EQ(listedNames(dialog), QStringList({"A.JPG", "b.jpeg", "c.Jpe"}));

  // Typed as the user would type several names.
  test::enterFileName(dialog, QStringLiteral("\"A.JPG\" \"b.jpeg\" \"c.Jpe\""));
  dialog.accept();
  ASSERT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.choice().files.size(), 3u);
  EXPECT_EQ(dialog.choice().filterIndex, 1);
}

TEST(FileDialog, RunsWithItsInitialNameAndFilterAndGivesTheChoice) {
  TempDir dir;
  FileDialogRequest request;
  request.mode = FileDialogMode::Save;
  request.filterText = "Web page (*.htm)|*.htm|Web page (*.html)|*.html||";
  request.filterIndex = 2;
  request.defaultExtension = ".htm";
  request.initialFolder = dir.path();
  request.initialName = "tour";
  test::answerNextModal([](QWidget& dialog) { dynamic_cast<FileDialog&>(dialog).accept(); });
  const std::optional<FileDialogChoice> choice = runFileDialog(request, nullptr);
  ASSERT_TRUE(choice);
  EXPECT_EQ(choice->files, std::vector{dir / "tour.html"});
  EXPECT_EQ(choice->filterIndex, 2);

  test::answerNextModal([](QWidget& dialog) { dynamic_cast<FileDialog&>(dialog).reject(); });
  EXPECT_FALSE(runFileDialog(request, nullptr));
}

TEST(FileDialog, SaveIntoAMissingFolderIsRefusedWhenThePathMustExist) {
  TempDir dir;
  FileDialogRequest request;
  request.mode = FileDialogMode::Save;
  request.filterText = "Registry files (*.reg)|*.reg||";
  request.defaultExtension = "reg";
  request.initialFolder = dir.path();
  request.mustExist = true;
  FileDialog dialog(request);
  dialog.show();
  test::enterFileName(dialog, QString::fromStdString((dir / "missing" / "profiles").string()));
  QString warning;
  test::answerNextModal([&warning](QWidget& box) {
    warning = dynamic_cast<QMessageBox&>(box).text();
    dynamic_cast<QMessageBox&>(box).accept();
  });
  dialog.accept();
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_TRUE(warning.contains(QString::fromStdString((dir / "missing").string())))
      << warning.toStdString();
}

}  // namespace
}  // namespace skylacer::tuning
