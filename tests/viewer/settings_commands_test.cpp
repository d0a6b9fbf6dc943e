// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/settings_commands.h"

#include <gtest/gtest.h>

namespace skylacer::viewer {
namespace {

using platform::DeviceSettings;
using platform::FillMode;
using platform::ShadeMode;
using platform::TextureFilter;

TEST(SettingsCommands, MipMappingNeedsFilteringOffFirst) {
  DeviceSettings settings;
  ASSERT_EQ(settings.filter, TextureFilter::Linear);
  EXPECT_TRUE(applySettingsCommand(ViewerCommand::FilterMipMapped, settings));
  EXPECT_EQ(settings.filter, TextureFilter::Linear);  // Ctrl+L does nothing while linear
  applySettingsCommand(ViewerCommand::FilterNearest, settings);
  EXPECT_EQ(settings.filter, TextureFilter::Nearest);
  applySettingsCommand(ViewerCommand::FilterMipMapped, settings);
  EXPECT_EQ(settings.filter, TextureFilter::MipMappedLinear);
  applySettingsCommand(ViewerCommand::FilterMipMapped, settings);
  EXPECT_EQ(settings.filter, TextureFilter::MipMappedLinear);
}

TEST(SettingsCommands, ShadeAndFillSetTheirFieldTogglesFlipAndOthersAreLeftAlone) {
  DeviceSettings settings;
  applySettingsCommand(ViewerCommand::ShadePhong, settings);
  applySettingsCommand(ViewerCommand::FillWireframe, settings);
  EXPECT_EQ(settings.shade, ShadeMode::Phong);
  EXPECT_EQ(settings.fill, FillMode::Wireframe);
  applySettingsCommand(ViewerCommand::ShadeGouraud, settings);
  applySettingsCommand(ViewerCommand::FillPoints, settings);
  EXPECT_EQ(settings.shade, ShadeMode::Gouraud);
  EXPECT_EQ(settings.fill, FillMode::Points);
  for (ViewerCommand toggle : {ViewerCommand::Dither, ViewerCommand::Lighting}) {
    DeviceSettings toggled = settings;
    applySettingsCommand(toggle, toggled);
    EXPECT_NE(toggled, settings);
    applySettingsCommand(toggle, toggled);
    EXPECT_EQ(toggled, settings);
  }
  for (ViewerCommand other : {ViewerCommand::About, ViewerCommand::Exit, ViewerCommand::Fullscreen,
                              ViewerCommand::SingleStep, ViewerCommand::AutoTurn}) {
    DeviceSettings unchanged = settings;
    EXPECT_FALSE(applySettingsCommand(other, unchanged));
    EXPECT_EQ(unchanged, settings);
  }
}

}  // namespace
}  // namespace skylacer::viewer
