// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSlider>
#include <QTest>

#include "tests/tuning/dialogs/dialog_test_support.h"
#include "tuning/image_options_dialog.h"

namespace skylacer::tuning {
namespace {

using test::child;
using test::RecordingMessages;
using test::TestSettings;

struct Options {
  Options(double width, double height, int quality) {
    dialog = std::make_unique<CImageOpt>(width, height, quality, settings.settings, messages);
    dialog->show();
  }
  QLineEdit& edit(const char* name) const { return child<QLineEdit>(*dialog, name); }
  void chooseUnit(const char* list, const char* unit) const {
    auto& units = child<QComboBox>(*dialog, list);
    units.setCurrentText(QString::fromLatin1(unit));
    emit units.textActivated(units.currentText());
  }

  TestSettings settings;
  RecordingMessages messages;
  std::unique_ptr<CImageOpt> dialog;
};

TEST(ImageOptions, KeepsTheAspectRatioBothWaysWhileItIsOn) {
  Options options(3000, 1000, 75);
  EXPECT_TRUE(child<QCheckBox>(*options.dialog, "keepAspectCheck").isChecked());
  options.edit("widthEdit").setText("1500");
  EXPECT_EQ(options.edit("heightEdit").text(), "500");
  options.edit("heightEdit").setText("200");
  EXPECT_EQ(options.edit("widthEdit").text(), "600");

  child<QCheckBox>(*options.dialog, "keepAspectCheck").click();  // off
  options.edit("widthEdit").setText("900");
  EXPECT_EQ(options.edit("heightEdit").text(), "200");
  child<QCheckBox>(*options.dialog, "keepAspectCheck").click();  // on: the height follows
  EXPECT_EQ(options.edit("heightEdit").text(), "300");

  options.dialog->accept();
  EXPECT_EQ(options.dialog->wholeSize(), (ImageSize{900, 300}));
  EXPECT_TRUE(options.messages.shown.empty());
}

TEST(ImageOptions, PercentsAreOfTheOfferedSizeAndTheUnitsAreKeptOnOk) {
  Options options(3000, 1000, 75);
  options.chooseUnit("widthUnitCombo", "percents");
  EXPECT_EQ(options.edit("widthEdit").text(), "100");
  options.edit("widthEdit").setText("50");
  EXPECT_EQ(options.edit("heightEdit").text(), "500");
  // The height shows the same size in percent once its unit changes.
  options.chooseUnit("heightUnitCombo", "percents");
  EXPECT_EQ(options.edit("heightEdit").text(), "50");
  EXPECT_EQ(options.settings.settings.readString("settings", "widthtype", "-"), "-");

  options.dialog->accept();
  EXPECT_EQ(options.dialog->width(), 1500);
  EXPECT_EQ(options.dialog->height(), 500);
  EXPECT_EQ(options.settings.settings.readString("Settings", "widthtype", "-"), "percents");
  EXPECT_EQ(options.settings.settings.readString("Settings", "heighttype", "-"), "percents");

  // The next dialog starts in the stored units, sorted in their lists.
  CImageOpt next(3000, 1000, 75, options.settings.settings, options.messages);
  EXPECT_EQ(child<QLineEdit>(next, "widthEdit").text(), "100");
  const auto& units = child<QComboBox>(next, "heightUnitCombo");
  EXPECT_EQ(units.itemText(0), "percents");
  EXPECT_EQ(units.itemText(1), "pixels");
}

TEST(ImageOptions, QualityFieldTakesOneToHundredWhileTheSliderShowsFiftyToNinetyFive) {
  Options options(3000, 1000, 75);
  auto& slider = child<QSlider>(*options.dialog, "qualitySlider");
  EXPECT_EQ(slider.minimum(), 50);
  EXPECT_EQ(slider.maximum(), 95);
  EXPECT_EQ(slider.tickInterval(), 5);
  EXPECT_EQ(slider.value(), 75);

  options.edit("qualityEdit").setText("30");
  EXPECT_EQ(slider.value(), 50);
  slider.setValue(90);
  EXPECT_EQ(options.edit("qualityEdit").text(), "90");

  options.edit("qualityEdit").setText("101");
  ASSERT_EQ(options.messages.shown.size(), 1u);
  EXPECT_EQ(options.messages.shown[0].text, "Please enter an integer between 1 and 100.");
  options.dialog->accept();
  EXPECT_TRUE(options.dialog->isVisible());
  options.edit("qualityEdit").setText("1");
  options.dialog->accept();
  EXPECT_FALSE(options.dialog->isVisible());
  EXPECT_EQ(options.dialog->quality(), 1);
}

TEST(ImageOptions, Screenshot) {
  Options options(5000, 1500, 80);
  EXPECT_TRUE(test::saveScreenshot(*options.dialog, "output_image_options"));
}

}  // namespace
}  // namespace skylacer::tuning
