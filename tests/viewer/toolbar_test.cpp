#include "viewer/toolbar.h"

#include <gtest/gtest.h>

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

QImage filled(QColor colour) {
  QImage image(kToolbarWidth, kToolbarHeight, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

TEST(Toolbar, DrawsOnlyTheButtonUnderTheMouseHighlighted) {
  Toolbar toolbar(filled(Qt::gray), filled(Qt::blue));
  EXPECT_EQ(toolbar.strip(), filled(Qt::gray));
  EXPECT_TRUE(toolbar.highlight(ToolbarButton::Turn));
  EXPECT_FALSE(toolbar.highlight(ToolbarButton::Turn));
  const QImage strip = toolbar.strip();
  ASSERT_EQ(strip.size(), QSize(160, 32));
  for (int x = 0; x < kToolbarWidth; ++x) {
    SCOPED_TRACE(x);
    const bool highlighted = x >= 96 && x < 128;
    EXPECT_EQ(strip.pixelColor(x, 16), highlighted ? QColor(Qt::blue) : QColor(Qt::gray));
  }
  EXPECT_TRUE(toolbar.highlight(std::nullopt));
  EXPECT_EQ(toolbar.strip(), filled(Qt::gray));
}

}  // namespace
}  // namespace skylacer::viewer
