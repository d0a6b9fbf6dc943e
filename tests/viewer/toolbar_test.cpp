// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/toolbar.h"

#include <gtest/gtest.h>

#include "viewer/images.h"

namespace skylacer::viewer {
namespace {

TEST(Toolbar, ButtonsLieInTheBottomLeftStrip) {
  const int height = 400;
  EXPECT_EQ(toolbarButtonAt({0, 368}, height), ToolbarButton::Link);
  EXPECT_EQ(toolbarButtonAt({31, 399}, height), ToolbarButton::Link);
  EXPECT_EQ(toolbarButtonAt({32, 380}, height), ToolbarButton::ZoomIn);
  EXPECT_EQ(toolbarButtonAt({95, 380}, height), ToolbarButton::ZoomOut);
  EXPECT_EQ(toolbarButtonAt({96, 380}, height), ToolbarButton::Turn);
  EXPECT_EQ(toolbarButtonAt({159, 400}, height), ToolbarButton::Menu);  // the bottom edge counts
  EXPECT_FALSE(toolbarButtonAt({160, 380}, height));
  EXPECT_FALSE(toolbarButtonAt({-1, 380}, height));
  EXPECT_FALSE(toolbarButtonAt({10, 367}, height));
  EXPECT_FALSE(toolbarButtonAt({10, 401}, height));
  EXPECT_EQ(toolbarButtonAt({10, 600 - 32}, 600), ToolbarButton::Link);
}

RgbaImage filled(Colour colour) {
  RgbaImage image{kToolbarWidth, kToolbarHeight, {}};
  for (int i = 0; i < kToolbarWidth * kToolbarHeight; ++i)
    image.pixels.insert(image.pixels.end(), {colour.r, colour.g, colour.b, colour.a});
  return image;
}

TEST(Toolbar, PaintsOnlyTheButtonUnderTheMouseHighlightedAndKeysOutWhite) {
  const Colour grey{128, 128, 128};
  const Colour blue{0, 0, 255};
  RgbaImage normal = filled(grey);
  // A white pixel in the first button's corner is transparent.
  for (int c = 0; c < 3; ++c) normal.pixels[static_cast<std::size_t>(c)] = 255;
  Toolbar toolbar(normal, filled(blue));
  EXPECT_TRUE(toolbar.highlight(ToolbarButton::Turn));
  EXPECT_FALSE(toolbar.highlight(ToolbarButton::Turn));

  Canvas canvas({300, 100});
  toolbar.paint(canvas);
  EXPECT_EQ(canvas.pixel(0, 100 - 32).a, 0);  // the white corner
  EXPECT_EQ(canvas.pixel(1, 100 - 32), grey);
  EXPECT_EQ(canvas.pixel(5, 100 - 33).a, 0);  // above the strip
  EXPECT_EQ(canvas.pixel(160, 90).a, 0);      // right of it
  for (int x = 0; x < kToolbarWidth; ++x) {
    SCOPED_TRACE(x);
    const bool highlighted = x >= 96 && x < 128;
    EXPECT_EQ(canvas.pixel(x, 99), highlighted ? blue : grey);
  }
  EXPECT_TRUE(toolbar.highlight(std::nullopt));
  toolbar.paint(canvas);
  EXPECT_EQ(canvas.pixel(100, 99), grey);
}

TEST(Toolbar, EveryButtonHasATooltipShownAboveTheStrip) {
  for (int button = 0; button < kToolbarButtons; ++button) {
    SCOPED_TRACE(button);
    const auto which = static_cast<ToolbarButton>(button);
    EXPECT_GT(toolbarTooltip(which).size(), 5u);
    Canvas canvas({800, 400});
    Toolbar::paintTooltip(canvas, which);
    int painted = 0;
    int lowest = -1;
    for (int y = 0; y < 400; ++y)
      for (int x = 0; x < 800; ++x)
        if (canvas.pixel(x, y).a != 0) {
          ++painted;
          lowest = y;
        }
    EXPECT_GT(painted, 100);
    EXPECT_LT(lowest, 400 - kToolbarHeight);  // it never covers the buttons
  }
  // Its keys are named where the button has one.
  EXPECT_NE(toolbarTooltip(ToolbarButton::Turn).find("Enter"), std::string_view::npos);
  EXPECT_NE(toolbarTooltip(ToolbarButton::ZoomIn).find("+"), std::string_view::npos);
}

TEST(Toolbar, EmbeddedBitmapsAreTheStripsAndTheIcon) {
  EXPECT_EQ(toolbarNormalBitmap().width, 160);
  EXPECT_EQ(toolbarNormalBitmap().height, 32);
  EXPECT_EQ(toolbarHighlightedBitmap().width, 160);
  EXPECT_EQ(toolbarHighlightedBitmap().height, 32);
  EXPECT_NE(toolbarNormalBitmap().pixels, toolbarHighlightedBitmap().pixels);
  EXPECT_EQ(appIcon().width, 32);
  EXPECT_EQ(appIcon().height, 32);
}

}  // namespace
}  // namespace skylacer::viewer
