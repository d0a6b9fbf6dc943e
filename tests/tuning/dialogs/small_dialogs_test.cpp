// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "tests/tuning/dialogs/dialog_test_support.h"
#include "tuning/message_box.h"
#include "tuning/set_name_dialog.h"
#include "tuning/view_angle_dialog.h"

namespace skylacer::tuning {
namespace {

using test::child;
using test::RecordingMessages;

struct AngleCase {
  const char* typed;
  int degrees;  // 0: refused
  const char* refusal;
};

class ViewAngle : public testing::TestWithParam<AngleCase> {};

TEST_P(ViewAngle, ChecksTheRangeOnOkAndKeepsTheFocusInTheField) {
  const AngleCase& c = GetParam();
  RecordingMessages messages;
  CViewAngle dialog(messages);
  dialog.show();
  QApplication::setActiveWindow(&dialog);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  auto& field = child<QLineEdit>(dialog, "hfovEdit");
  EXPECT_EQ(field.text(), "180");
  field.clear();
  QTest::keyClicks(&field, c.typed);
  child<QPushButton>(dialog, "okButton").setFocus();

  dialog.accept();
  EXPECT_EQ(dialog.result() == QDialog::Accepted, c.degrees != 0);
  if (c.degrees != 0) {
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(dialog.degrees(), c.degrees);
  } else {
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, c.refusal);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(field.hasFocus());
    EXPECT_EQ(dialog.degrees(), 180);
  }
}

constexpr char kDegreeRange[] = "Please enter an integer between 15 and 360.";

INSTANTIATE_TEST_SUITE_P(Values, ViewAngle,
                         testing::Values(AngleCase{"14", 0, kDegreeRange},
                                         AngleCase{"361", 0, kDegreeRange}, AngleCase{"15", 15, ""},
                                         AngleCase{"360", 360, ""},
                                         AngleCase{"", 0, "Please enter an integer."},
                                         AngleCase{"99999999999999999999", 0, kDegreeRange},
                                         // Only digits can be typed.
                                         AngleCase{"-9x0", 90, ""}));

TEST(ViewAngle, CancelledDialogGivesOneHundredEighty) {
  RecordingMessages messages;
  CViewAngle dialog(messages);
  child<QLineEdit>(dialog, "hfovEdit").setText("90");
  dialog.reject();
  EXPECT_EQ(dialog.degrees(), 180);
}

TEST(MessageBox, HasNoTitleAndBreaksLinesAtCarriageReturns) {
  const auto box =
      makeMessageBox(nullptr, "first\r\nsecond\r\n\r\nthird", MessageKind::YesNoDefaultNo);
  EXPECT_EQ(box->windowTitle(), "");
  EXPECT_EQ(box->text(), "first\nsecond\n\nthird");
  EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(box->standardButton(box->defaultButton()), QMessageBox::No);
  EXPECT_EQ(makeMessageBox(nullptr, "", MessageKind::YesNoStop)->icon(), QMessageBox::Critical);
  EXPECT_EQ(makeMessageBox(nullptr, "", MessageKind::YesNoCancel)->icon(), QMessageBox::Question);
}

// A series out of order: stitch anyway (Yes), in the order found (No), or not (the default).
TEST(MessageBox, OffersTheOrderFound) {
  const auto box = makeMessageBox(nullptr, "", MessageKind::StitchInFoundOrder);
  EXPECT_EQ(box->button(QMessageBox::Yes)->text(), "Stitch anyway");
  EXPECT_EQ(box->button(QMessageBox::No)->text(), "Stitch in the order found");
  EXPECT_EQ(box->standardButton(box->defaultButton()), QMessageBox::Cancel);
}

TEST(MessageBox, AnswersWithTheButtonPressedAndEscapeAsNo) {
  QtMessageBoxes boxes(nullptr);
  test::answerNextModal(
      [](QWidget& box) { dynamic_cast<QMessageBox&>(box).button(QMessageBox::No)->click(); });
  EXPECT_EQ(boxes.ask("Delete?", MessageKind::YesNo), MessageAnswer::No);
  test::answerNextModal([](QWidget& box) { QTest::keyClick(&box, Qt::Key_Escape); });
  EXPECT_EQ(boxes.ask("Save?", MessageKind::YesNoCancel), MessageAnswer::Cancel);
  test::answerNextModal([](QWidget& box) { QTest::keyClick(&box, Qt::Key_Escape); });
  EXPECT_EQ(boxes.ask("Replace?", MessageKind::YesNoStop), MessageAnswer::No);
}

TEST(SmallDialogs, Screenshots) {
  RecordingMessages messages;
  CSetName name;
  EXPECT_TRUE(test::saveScreenshot(name, "set_name"));
  CViewAngle angle(messages);
  EXPECT_TRUE(test::saveScreenshot(angle, "view_angle"));
  const auto box = makeMessageBox(nullptr,
                                  "You are going to delete the current parameter set."
                                  "\r\n\r\nAre you sure?",
                                  MessageKind::YesNo);
  EXPECT_TRUE(test::saveScreenshot(*box, "message_box"));
}

}  // namespace
}  // namespace skylacer::tuning
