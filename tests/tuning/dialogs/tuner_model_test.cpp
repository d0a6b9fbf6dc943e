// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/tuner_model.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/tuning/dialogs/dialog_test_support.h"
#include "tuning/profiles.h"

namespace skylacer::tuning {
namespace {

using test::storeProfiles;
using test::TestSettings;

TEST(TunerModel, AnEditIsAChangeOnlyWhenItDiffersFromTheStoredValue) {
  TestSettings settings;
  TunerModel model(settings.store, 0);
  ASSERT_EQ(model.field(TunerField::ImageSize), 150);  // twice the template's 75

  model.editField(TunerField::OverlapFrom, 10);
  model.editField(TunerField::ImageSize, 150);
  model.editDescription("Default parameter set");
  EXPECT_FALSE(model.modified());

  model.editField(TunerField::MagnetYShift, 7);  // unreachable for the user: never a change
  EXPECT_FALSE(model.modified());
  model.editField(TunerField::ImageSize, 151);
  EXPECT_TRUE(model.modified());
  // A check box click is a change even when it sets what is stored.
  TunerModel clicked(settings.store, 0);
  clicked.clickCheck(TunerCheck::Crop, true);
  EXPECT_TRUE(clicked.modified());

  // The shown size is taken back halved, the remainder dropped.
  model.takeEdits();
  EXPECT_EQ(model.profiles()[0].record.firstIterSize, 75);
  EXPECT_EQ(model.profiles()[0].record.magnetYShift, 7);
}

TEST(TunerModel, NewIsRefusedOnceTheTableHolds256Profiles) {
  TestSettings settings;
  TunerModel model(settings.store, 0);
  const int builtIn = static_cast<int>(model.profiles().size());
  for (int added = builtIn; added < kTunerProfileSlots; ++added) {
    ASSERT_TRUE(model.canAddProfile());
    ASSERT_TRUE(model.addProfile("P" + std::to_string(added)));
  }
  EXPECT_FALSE(model.canAddProfile());
  EXPECT_FALSE(model.addProfile("one too many"));
  EXPECT_EQ(model.profiles().size(), 256u);
  EXPECT_EQ(model.current(), 255);
}

TEST(TunerModel, TheHandedBackIndexNamesAStoredProfile) {
  TestSettings settings;
  storeProfiles(settings.store, 3);
  {
    TunerModel model(settings.store, 1);
    model.select(2);
    EXPECT_EQ(model.handedBackIndex(), 2);  // a selection counts, also on Cancel
    ASSERT_TRUE(model.addProfile("new"));
    EXPECT_EQ(model.handedBackIndex(), 1);  // profile 3 is not stored: the first one shown
    ASSERT_TRUE(model.save());
    EXPECT_EQ(model.handedBackIndex(), 3);
  }
  {
    TunerModel model(settings.store, 9);  // brought into range: the last one
    EXPECT_EQ(model.current(), 3);
    EXPECT_EQ(model.handedBackIndex(), 3);
  }
  TestSettings empty;
  TunerModel model(empty.store, 0);
  ASSERT_TRUE(model.addProfile("new"));
  EXPECT_EQ(model.handedBackIndex(), 0);  // nothing stored: 0, which the reload fills anyway
}

}  // namespace
}  // namespace skylacer::tuning
