// SPDX-License-Identifier: GPL-3.0-or-later
// The tuner opened on stored parameter sets with values outside the fields' limits: one notice
// names them, the fields show the values within the limits, and nothing is stored until OK.

#include <gtest/gtest.h>

#include <QLineEdit>

#include "tests/support/file_contents.h"
#include "tests/tuning/dialogs/dialog_test_support.h"
#include "tuning/dialog_texts.h"
#include "tuning/integer_spin_edit.h"
#include "tuning/profiles.h"
#include "tuning/tuner_dialog.h"

namespace skylacer::tuning {
namespace {

TEST(TunerLimits, StoredValuesOutsideTheLimitsAreNamedOnceAndShownWithinThem) {
  test::TestSettings settings;
  const std::string key = registry::sectionKeyPath(kProfileSection);
  ASSERT_TRUE(settings.store.writeString(key, "0", "Wide seams"));
  ASSERT_TRUE(
      settings.store.writeString(key, "val0", "100 10 90 16 8000 -2147483648 1 1 1 1 0 140 43"));
  const std::string storedBytes = skylacer::test::fileText(settings.store.databaseFile());

  test::RecordingMessages messages;
  CMTuneDlg dialog(settings.store, 0, messages, SKYLACER_HELP_DIR);
  dialog.show();
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].kind, MessageKind::Notice);
  EXPECT_EQ(messages.shown[0].text,
            std::string(kProfilesOutsideLimits) +
                "profile \"Wide seams\": number 6 (pixels for image blending) -2147483648 is used "
                "as 1");
  EXPECT_EQ(test::child<IntegerSpinEdit>(dialog, "blendPixelsEdit").editor().text(), "1");
  dialog.reject();
  EXPECT_EQ(skylacer::test::fileText(settings.store.databaseFile()), storedBytes);
}

}  // namespace
}  // namespace skylacer::tuning
