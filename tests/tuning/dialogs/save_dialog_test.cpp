// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/save_dialog.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "tests/tuning/dialogs/dialog_test_support.h"
#include "tuning/dialog_texts.h"
#include "tuning/image_options_dialog.h"
#include "tuning/save_options_row.h"
#include "tuning/save_presets.h"

namespace skylacer::tuning {
namespace {

using test::child;
using test::RecordingMessages;
using test::TestSettings;

// Saving a panorama into `folder`, under the filters the main window offers.
FileDialogRequest panoramaSaveRequest(const std::filesystem::path& folder) {
  FileDialogRequest request;
  request.mode = FileDialogMode::Save;
  request.filterText =
      "JPEG files (*.jpg)|*.jpg|QuickTime panorama files (*.mov)|*.mov|All Files|*.*||";
  request.defaultExtension = ".jpg";
  request.initialFolder = folder;
  return request;
}

struct PresetCase {
  QualityPreset preset;
  ImageSize offered;
  output::OutputOptions expected;
};

class Preset : public testing::TestWithParam<PresetCase> {};

TEST_P(Preset, SetsSizeAndQuality) {
  const PresetCase& c = GetParam();
  const output::OutputOptions result = applyQualityPreset(c.preset, {c.offered, 60}, std::nullopt);
  EXPECT_EQ(result.size, c.expected.size);
  EXPECT_EQ(result.quality, c.expected.quality);
}

INSTANTIATE_TEST_SUITE_P(
    Panoramas, Preset,
    testing::Values(PresetCase{QualityPreset::Low, {5000, 1500}, {{2000, 600}, 75}},
                    PresetCase{QualityPreset::Medium, {5000, 1500}, {{3413, 1024}, 80}},
                    PresetCase{QualityPreset::Low, {3000, 500}, {{3000, 500}, 75}},
                    PresetCase{QualityPreset::Medium, {3000, 500}, {{3000, 500}, 80}},
                    PresetCase{QualityPreset::Original, {5000, 1500}, {{5000, 1500}, 85}},
                    // Custom never confirmed: the offer.
                    PresetCase{QualityPreset::Custom, {5000, 1500}, {{5000, 1500}, 60}}));

TEST(Preset, ScalesToExactlyTheLimitAndTheWidthByTheSameFactor) {
  for (int limit : {600, 1024}) {
    for (int height = limit + 1; height <= 6000; ++height) {
      SCOPED_TRACE(height);
      const ImageSize scaled = limitHeight({4 * height + 3, height}, limit);
      ASSERT_EQ(scaled.height, limit);  // 1122 x (1024 / 1122) alone truncates to 1023
      ASSERT_EQ(scaled.width, static_cast<int>((4 * height + 3) * (double(limit) / height)));
    }
  }
}

TEST(Preset, StoredIndexOutsideTheListReadsAsLow) {
  TestSettings settings;
  EXPECT_EQ(readLastQualityPreset(settings.settings), QualityPreset::Low);
  for (int stored : {-1, 4, 1000}) {
    ASSERT_TRUE(settings.settings.writeInt("Settings", "Last quality", stored));
    EXPECT_EQ(readLastQualityPreset(settings.settings), QualityPreset::Low) << stored;
  }
  storeLastQualityPreset(settings.settings, QualityPreset::Custom);
  EXPECT_EQ(readLastQualityPreset(settings.settings), QualityPreset::Custom);
}

struct SaveDialog {
  explicit SaveDialog(QualityPreset stored, ImageSize offered = {5000, 1500}) {
    storeLastQualityPreset(settings.settings, stored);
    dialog = std::make_unique<CMySaveDlg>(panoramaSaveRequest(settings.dir.path()),
                                          output::OutputOptions{offered, 70}, settings.settings,
                                          messages);
    dialog->show();
  }

  QComboBox& presets() const { return child<QComboBox>(*dialog, "savePresetCombo"); }

  TestSettings settings;
  RecordingMessages messages;
  std::unique_ptr<CMySaveDlg> dialog;
};

TEST(SaveDialog, AddsThePresetRowAndSavesUnderTheChosenFilter) {
  SaveDialog save(QualityPreset::Medium);
  EXPECT_TRUE(save.messages.shown.empty());
  QComboBox& presets = save.presets();
  ASSERT_EQ(presets.count(), 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(presets.itemText(i), kQualityPresetTexts[i]);
  EXPECT_EQ(presets.currentIndex(), 1);
  EXPECT_EQ(child<QLabel>(*save.dialog, "savePresetLabel").text(), "Save Options:");

  QTest::keyClick(&presets, Qt::Key_Up);  // the user picks "Low Quality Image"
  auto& fileTypes = child<QComboBox>(*save.dialog, "fileTypeCombo");
  QTest::keyClick(&fileTypes, Qt::Key_Down);  // "QuickTime panorama files (*.mov)"
  test::enterFileName(*save.dialog, QStringLiteral("pano"));
  save.dialog->accept();

  ASSERT_EQ(save.dialog->result(), QDialog::Accepted);
  const FileDialogChoice choice = save.dialog->choice();
  ASSERT_EQ(choice.files.size(), 1u);
  EXPECT_EQ(choice.files[0], save.settings.dir / "pano.mov");
  EXPECT_EQ(choice.filterIndex, 2);
  EXPECT_EQ(save.dialog->options().size, (ImageSize{2000, 600}));
  EXPECT_EQ(save.dialog->options().quality, 75);
  EXPECT_EQ(readLastQualityPreset(save.settings.settings), QualityPreset::Low);
}

TEST(SaveDialog, CancelStillAppliesAndStoresThePreset) {
  SaveDialog save(QualityPreset::Low);
  QTest::keyClick(&save.presets(), Qt::Key_Down);
  save.dialog->reject();
  EXPECT_EQ(save.dialog->options().size, (ImageSize{3413, 1024}));
  EXPECT_EQ(save.dialog->options().quality, 80);
  EXPECT_EQ(readLastQualityPreset(save.settings.settings), QualityPreset::Medium);
}

TEST(SaveDialog, CustomQualityTakesTheOptionsOrGoesBackWhenCancelled) {
  SaveDialog save(QualityPreset::Original);
  QComboBox& presets = save.presets();
  test::answerNextModal([](QWidget& asked) { dynamic_cast<CImageOpt&>(asked).reject(); });
  QTest::keyClick(&presets, Qt::Key_Down);  // "Custom Quality...", then Cancel
  EXPECT_EQ(presets.currentIndex(), static_cast<int>(QualityPreset::Original));

  test::answerNextModal([](QWidget& asked) {
    auto& options = dynamic_cast<CImageOpt&>(asked);
    EXPECT_EQ(child<QLineEdit>(options, "widthEdit").text(), "5000");
    EXPECT_EQ(child<QLineEdit>(options, "qualityEdit").text(), "70");
    child<QLineEdit>(options, "widthEdit").setText("1000");
    child<QLineEdit>(options, "qualityEdit").setText("90");
    options.accept();
  });
  QTest::keyClick(&presets, Qt::Key_Down);
  EXPECT_EQ(presets.currentIndex(), static_cast<int>(QualityPreset::Custom));
  save.dialog->reject();
  EXPECT_EQ(save.dialog->options().size, (ImageSize{1000, 300}));
  EXPECT_EQ(save.dialog->options().quality, 90);
}

// The presets used not to say what size they write; a label beside the list does, and the
// preset texts stay as they are.
TEST(SaveDialog, ShowsThePixelSizeOfTheChosenPreset) {
  SaveDialog save(QualityPreset::Medium);
  QComboBox& presets = save.presets();
  const auto& size = child<QLabel>(*save.dialog, "savePresetSize");
  EXPECT_EQ(size.text(), "3413 × 1024 pixels");
  QTest::keyClick(&presets, Qt::Key_Up);
  EXPECT_EQ(size.text(), "2000 × 600 pixels");
  QTest::keyClick(&presets, Qt::Key_Down);
  QTest::keyClick(&presets, Qt::Key_Down);
  EXPECT_EQ(size.text(), "5000 × 1500 pixels");
  test::answerNextModal([](QWidget& asked) {
    auto& options = dynamic_cast<CImageOpt&>(asked);
    child<QLineEdit>(options, "widthEdit").setText("1000");
    options.accept();
  });
  QTest::keyClick(&presets, Qt::Key_Down);
  EXPECT_EQ(size.text(), "1000 × 300 pixels");
  for (int i = 0; i < 4; ++i) EXPECT_EQ(presets.itemText(i), kQualityPresetTexts[i]);
  // Beside the list, on its row.
  EXPECT_GE(size.x(), presets.x() + presets.width());
  EXPECT_LT(std::abs(size.geometry().center().y() - presets.geometry().center().y()), 4);
}

// Qt's own children renamed away, as in a Qt whose file dialog is built otherwise.
class StrippedDialog : public testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(StrippedDialog, ShowsItsMessageAndStillSaves) {
  const auto [childName, message] = GetParam();
  TestSettings settings;
  RecordingMessages messages;
  FileDialog dialog(panoramaSaveRequest(settings.dir.path()));
  child<QWidget>(dialog, childName).setObjectName(QString());

  EXPECT_EQ(addSaveOptionsRow(dialog, messages).presets, nullptr);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].text, message);
  EXPECT_EQ(dialog.findChild<QComboBox*>(QStringLiteral("savePresetCombo")), nullptr);

  dialog.show();
  test::enterFileName(dialog, QStringLiteral("pano"));
  dialog.accept();
  ASSERT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.choice().files.at(0), settings.dir / "pano.jpg");
}

INSTANTIATE_TEST_SUITE_P(Children, StrippedDialog,
                         testing::Values(std::pair{"fileTypeCombo", kSubclassNoComboBox},
                                         std::pair{"fileTypeLabel", kSubclassNoStatic}));

TEST(SaveDialog, Screenshot) {
  SaveDialog save(QualityPreset::Medium);
  save.dialog->resize(760, 480);
  EXPECT_TRUE(test::saveScreenshot(*save.dialog, "save_dialog"));
}

}  // namespace
}  // namespace skylacer::tuning
