// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/tuner_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>

#include "tests/support/file_contents.h"
#include "tests/tuning/dialogs/dialog_test_support.h"
#include "tuning/dialog_texts.h"
#include "tuning/file_dialog.h"
#include "tuning/integer_spin_edit.h"
#include "tuning/profile_reg_file.h"
#include "tuning/profiles.h"
#include "tuning/set_name_dialog.h"
#include "tuning/tuner_help.h"

namespace skylacer::tuning {
namespace {

using test::child;
using test::RecordingMessages;
using test::storeProfiles;
using test::TestSettings;

const std::string kParamKey = registry::sectionKeyPath(kProfileSection);

std::string storedValue(const registry::SettingsStore& store, const std::string& name) {
  return store.readString(kParamKey, name).value_or("<missing>");
}

QLineEdit& field(const CMTuneDlg& dialog, const char* name) {
  return child<IntegerSpinEdit>(dialog, name).editor();
}

// Replaces the field's text by `text` typed key by key, as a user does.
void typeInto(QLineEdit& edit, const QString& text) {
  edit.selectAll();
  QTest::keyClicks(&edit, text);
}

bool applyEnabled(const CMTuneDlg& dialog) {
  return child<QPushButton>(dialog, "applyButton").isEnabled();
}

struct Tuner {
  explicit Tuner(int storedProfiles, int current = 0) {
    storeProfiles(settings.store, storedProfiles);
    dialog = std::make_unique<CMTuneDlg>(settings.store, current, messages, SKYLACER_HELP_DIR);
    dialog->show();
  }

  TestSettings settings;
  RecordingMessages messages;
  std::unique_ptr<CMTuneDlg> dialog;
};

TEST(Tuner, WithNothingStoredShowsTheBuiltInProfilesAndOkStoresThem) {
  Tuner tuner(0);
  CMTuneDlg& dialog = *tuner.dialog;
  const auto& names = child<QComboBox>(dialog, "nameCombo");
  ASSERT_EQ(names.count(), 3);
  EXPECT_EQ(names.currentText(), "Default");
  EXPECT_EQ(names.itemText(1), "Precise");
  EXPECT_EQ(names.itemText(2), "Coarse search");
  EXPECT_EQ(child<QLineEdit>(dialog, "descriptionEdit").text(), "Default parameter set");
  EXPECT_EQ(field(dialog, "imageSizeEdit").text(), "150");
  EXPECT_EQ(field(dialog, "overlapFromEdit").text(), "10");
  EXPECT_EQ(field(dialog, "overlapToEdit").text(), "100");
  EXPECT_FALSE(applyEnabled(dialog));
  EXPECT_FALSE(tuner.settings.store.keyExists(kParamKey));

  dialog.accept();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(storedValue(tuner.settings.store, "0"), "Default");
  EXPECT_EQ(storedValue(tuner.settings.store, "desc0"), "Default parameter set");
  EXPECT_EQ(storedValue(tuner.settings.store, "val0"), kProfileTemplateText);
  EXPECT_EQ(storedValue(tuner.settings.store, "1"), "Precise");
  EXPECT_EQ(storedValue(tuner.settings.store, "desc1"), "Slower, most accurate alignment");
  EXPECT_EQ(storedValue(tuner.settings.store, "val1"), kPreciseProfileText);
  EXPECT_EQ(dialog.currentIndex(), 0);
  EXPECT_TRUE(tuner.messages.shown.empty());
}

TEST(Tuner, SwitchingProfilesKeepsUnsavedEditsUntilOk) {
  Tuner tuner(2);
  CMTuneDlg& dialog = *tuner.dialog;
  auto& names = child<QComboBox>(dialog, "nameCombo");
  typeInto(field(dialog, "overlapFromEdit"), "20");
  EXPECT_TRUE(applyEnabled(dialog));

  names.setCurrentIndex(1);
  EXPECT_EQ(field(dialog, "overlapFromEdit").text(), "10");
  EXPECT_FALSE(applyEnabled(dialog));
  names.setCurrentIndex(0);
  EXPECT_EQ(field(dialog, "overlapFromEdit").text(), "20");
  EXPECT_EQ(storedValue(tuner.settings.store, "val0"), kProfileTemplateText);

  dialog.accept();
  EXPECT_EQ(storedValue(tuner.settings.store, "val0"), "75 20 100 16 8000 32 1 1 1 1 0 140 43");
  EXPECT_EQ(storedValue(tuner.settings.store, "val1"), kProfileTemplateText);
}

TEST(Tuner, NewCopiesTheUnsavedValuesAndNamesTheDescription) {
  Tuner tuner(1);
  CMTuneDlg& dialog = *tuner.dialog;
  typeInto(field(dialog, "blendPixelsEdit"), "64");
  test::answerNextModal([](QWidget& asked) {
    auto& ask = dynamic_cast<CSetName&>(asked);
    child<QLineEdit>(ask, "nameEdit").setText("Mine");
    ask.accept();
  });
  child<QPushButton>(dialog, "newButton").click();

  const auto& names = child<QComboBox>(dialog, "nameCombo");
  ASSERT_EQ(names.count(), 2);
  EXPECT_EQ(names.currentIndex(), 1);
  EXPECT_EQ(names.currentText(), "Mine");
  EXPECT_EQ(child<QLineEdit>(dialog, "descriptionEdit").text(), "Mine");
  EXPECT_EQ(field(dialog, "blendPixelsEdit").text(), "64");
  EXPECT_TRUE(applyEnabled(dialog));

  dialog.accept();
  EXPECT_EQ(storedValue(tuner.settings.store, "1"), "Mine");
  EXPECT_EQ(storedValue(tuner.settings.store, "desc1"), "Mine");
  EXPECT_EQ(storedValue(tuner.settings.store, "val1"), "75 10 100 16 8000 64 1 1 1 1 0 140 43");
  EXPECT_EQ(dialog.currentIndex(), 1);
}

TEST(Tuner, NewRefusesAnEmptyNameThatWouldEndTheStoredList) {
  Tuner tuner(1);
  test::answerNextModal([](QWidget& asked) { dynamic_cast<CSetName&>(asked).accept(); });
  child<QPushButton>(*tuner.dialog, "newButton").click();
  ASSERT_EQ(tuner.messages.shown.size(), 1u);
  EXPECT_EQ(tuner.messages.shown[0].text, kProfileNameMissing);
  EXPECT_EQ(child<QComboBox>(*tuner.dialog, "nameCombo").count(), 1);
}

TEST(Tuner, RemovingTheOnlyProfileBringsBackTheDefault) {
  Tuner tuner(1);
  CMTuneDlg& dialog = *tuner.dialog;
  child<QLineEdit>(dialog, "descriptionEdit").setText("edited");
  tuner.messages.answers = {MessageAnswer::Yes};
  child<QPushButton>(dialog, "removeButton").click();

  ASSERT_EQ(tuner.messages.shown.size(), 2u);
  EXPECT_EQ(tuner.messages.shown[0].text, kRemoveProfileQuestion);
  EXPECT_EQ(tuner.messages.shown[0].kind, MessageKind::YesNo);
  EXPECT_EQ(tuner.messages.shown[1].text, kNoProfilesLeft);
  const auto& names = child<QComboBox>(dialog, "nameCombo");
  ASSERT_EQ(names.count(), 3);
  EXPECT_EQ(names.currentText(), "Default");
  EXPECT_EQ(names.itemText(1), "Precise");
  EXPECT_EQ(names.itemText(2), "Coarse search");
  EXPECT_EQ(child<QLineEdit>(dialog, "descriptionEdit").text(), "Default parameter set");
  EXPECT_FALSE(applyEnabled(dialog));
  EXPECT_EQ(storedValue(tuner.settings.store, "0"), "P0");  // until OK or Apply
}

TEST(Tuner, CancelAfterApplyKeepsWhatApplyWrote) {
  Tuner tuner(2, 1);
  CMTuneDlg& dialog = *tuner.dialog;
  typeInto(field(dialog, "overlapToEdit"), "80");
  child<QPushButton>(dialog, "applyButton").click();
  EXPECT_EQ(storedValue(tuner.settings.store, "val1"), "75 10 80 16 8000 32 1 1 1 1 0 140 43");
  EXPECT_FALSE(applyEnabled(dialog));

  typeInto(field(dialog, "overlapToEdit"), "70");
  dialog.reject();
  EXPECT_EQ(storedValue(tuner.settings.store, "val1"), "75 10 80 16 8000 32 1 1 1 1 0 140 43");
  EXPECT_EQ(dialog.currentIndex(), 1);
}

TEST(Tuner, LensSliderAndFocalLengthFollowEachOther) {
  Tuner tuner(1);
  CMTuneDlg& dialog = *tuner.dialog;
  child<QTabWidget>(dialog, "pages").setCurrentIndex(1);
  auto& slider = child<QSlider>(dialog, "lensSlider");
  QLineEdit& focal = field(dialog, "focalLengthEdit");
  EXPECT_EQ(slider.value(), 140);

  slider.setValue(0);  // as the keyboard moves it
  EXPECT_EQ(focal.text(), "13");
  focal.setText("500");
  EXPECT_EQ(slider.value(), 300);
  focal.setText("18");
  EXPECT_EQ(slider.value(), 0);
  focal.setText("43");
  EXPECT_EQ(slider.value(), 140);

  // A drag changes nothing until the handle is let go.
  slider.setSliderDown(true);
  slider.setValue(150);
  slider.setValue(140);
  EXPECT_EQ(focal.text(), "43");
  slider.setSliderDown(false);
  EXPECT_EQ(focal.text(), "44");
  EXPECT_EQ(slider.value(), 140);

  dialog.accept();
  EXPECT_EQ(storedValue(tuner.settings.store, "val0"), "75 10 100 16 8000 32 1 1 1 1 0 140 44");
  EXPECT_TRUE(tuner.messages.shown.empty());
}

TEST(Tuner, ExportWritesTheRegFileWithTheUnsavedEdit) {
  Tuner tuner(1);
  CMTuneDlg& dialog = *tuner.dialog;
  typeInto(field(dialog, "overlapFromEdit"), "33");
  const std::filesystem::path folder = tuner.settings.dir.path();
  test::answerNextModal([&folder](QWidget& asked) {
    auto& save = dynamic_cast<FileDialog&>(asked);
    save.setDirectory(QString::fromStdString(folder.string()));
    test::enterFileName(save, QStringLiteral("profiles"));  // the default extension is added
    save.accept();
  });
  child<QPushButton>(dialog, "exportButton").click();

  ASSERT_TRUE(std::filesystem::is_regular_file(folder / "profiles.reg"));
  const std::string bytes = skylacer::test::fileText(folder / "profiles.reg");
  ParamProfile expected{"P0", "Set 0", templateRecord()};
  expected.record.overlapFrom = 33;
  EXPECT_EQ(bytes, formatProfileRegFile(std::vector{expected}));
  EXPECT_EQ(storedValue(tuner.settings.store, "val0"), kProfileTemplateText);
  EXPECT_TRUE(applyEnabled(dialog));
}

TEST(Tuner, RefusalsKeepTheFocusAndComeOneAtATime) {
  Tuner tuner(1);
  CMTuneDlg& dialog = *tuner.dialog;
  QApplication::setActiveWindow(&dialog);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  QLineEdit& overlap = field(dialog, "overlapFromEdit");
  QLineEdit& blend = field(dialog, "blendPixelsEdit");
  blend.setFocus();
  // Whatever happens while the message is open sets off no second one.
  tuner.messages.whileOpen = [&blend] { blend.setText("x"); };

  typeInto(overlap, "101");
  ASSERT_EQ(tuner.messages.shown.size(), 1u);
  EXPECT_EQ(tuner.messages.shown[0].text, "Please enter an integer between 0 and 100.");
  EXPECT_TRUE(overlap.hasFocus());
  EXPECT_EQ(overlap.selectedText(), "101");

  // OK takes every field: the refused one keeps the dialog open.
  tuner.messages.whileOpen = nullptr;
  dialog.accept();
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(tuner.messages.shown.size(), 2u);
  EXPECT_EQ(storedValue(tuner.settings.store, "val0"), kProfileTemplateText);

  overlap.clear();
  EXPECT_EQ(tuner.messages.shown.back().text, "Please enter an integer.");
  EXPECT_TRUE(overlap.hasFocus());
}

TEST(Tuner, ArrowsStayInsideTheRangeTheFieldAccepts) {
  Tuner tuner(1);
  auto& iterations = child<IntegerSpinEdit>(*tuner.dialog, "iterationsEdit");
  iterations.editor().setText("126");
  iterations.stepBy(10);
  EXPECT_EQ(iterations.editor().text(), "128");
  iterations.stepBy(-500);
  EXPECT_EQ(iterations.editor().text(), "4");
  auto& magnet = child<IntegerSpinEdit>(*tuner.dialog, "magnetYShiftEdit");
  EXPECT_FALSE(magnet.isEnabled());
  EXPECT_EQ(magnet.editor().text(), "0");
  EXPECT_TRUE(tuner.messages.shown.empty());
}

TEST(Tuner, HelpOpensTheShippedPageOfTheActiveTab) {
  for (TunerTab tab : {TunerTab::General, TunerTab::Lens, TunerTab::Advanced}) {
    const std::string target = tunerHelpTarget(SKYLACER_HELP_DIR, tab);
    SCOPED_TRACE(target);
    EXPECT_EQ(target, tunerHelpPage(SKYLACER_HELP_DIR, tab).string());
    EXPECT_TRUE(std::filesystem::is_regular_file(target));
  }
  const TestSettings elsewhere;
  EXPECT_EQ(tunerHelpTarget(elsewhere.dir.path(), TunerTab::Lens), kOnlineHelpAddress);
}

TEST(Tuner, Screenshots) {
  Tuner tuner(2);
  auto& pages = child<QTabWidget>(*tuner.dialog, "pages");
  const char* names[] = {"tuner_general", "tuner_lens", "tuner_advanced"};
  for (int tab = 0; tab < 3; ++tab) {
    pages.setCurrentIndex(tab);
    EXPECT_TRUE(test::saveScreenshot(*tuner.dialog, names[tab])) << names[tab];
  }
}

}  // namespace
}  // namespace skylacer::tuning
