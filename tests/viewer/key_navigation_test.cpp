// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/key_navigation.h"

#include <gtest/gtest.h>

#include <numbers>
#include <vector>

namespace skylacer::viewer {
namespace {

using namespace std::chrono_literals;

// A full-circle panorama 2000 × 400 in an 800 × 400 view, its limits applied once.
class KeyNavigationTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_GT(model.setPicture({pixels.data(), 3 * 2000, 2000, 400}, 2 * std::numbers::pi), 0);
    model.setViewport(800, 400);
    model.setAutoRotation(false);
    model.camera();
    model.clearRedraw();
  }

  std::vector<std::uint8_t> pixels = std::vector<std::uint8_t>(3 * 2000 * 400, 100);
  CPanViewer model;
  KeyNavigation keys;
  KeyNavigation::Clock::time_point start;
};

TEST_F(KeyNavigationTest, ATapMovesOneStepAtOnce) {
  const double yaw = model.yaw();
  keys.press(NavigationKey::Right, model, start);
  EXPECT_NEAR(model.yaw(), yaw + 0.05, 1e-12);
  EXPECT_TRUE(model.redraw());
  keys.release(NavigationKey::Right);
  EXPECT_FALSE(keys.active());
  keys.press(NavigationKey::Left, model, start);
  keys.release(NavigationKey::Left);
  EXPECT_NEAR(model.yaw(), yaw, 1e-12);

  keys.press(NavigationKey::Up, model, start);
  EXPECT_NEAR(model.pitch(), 0.02, 1e-12);
  keys.release(NavigationKey::Up);

  const double field = model.field();
  keys.press(NavigationKey::ZoomIn, model, start);
  EXPECT_NEAR(model.field(), field * 0.9, 1e-15);
  keys.release(NavigationKey::ZoomIn);
  keys.press(NavigationKey::ZoomOut, model, start);
  EXPECT_NEAR(model.field(), field, 1e-15);
}

TEST_F(KeyNavigationTest, AHeldKeyMovesEveryFrameAfterAMomentUntilLetGo) {
  const double yaw = model.yaw();
  keys.press(NavigationKey::Right, model, start);
  // An auto-repeated press is no second tap.
  keys.press(NavigationKey::Right, model, start + 100ms);
  EXPECT_NEAR(model.yaw(), yaw + 0.05, 1e-12);
  keys.step(model, start + 100ms);  // still within the delay
  EXPECT_NEAR(model.yaw(), yaw + 0.05, 1e-12);
  EXPECT_TRUE(keys.active());
  for (int frame = 0; frame < 10; ++frame) keys.step(model, start + 300ms);
  EXPECT_NEAR(model.yaw(), yaw + 0.05 + 10 * 0.02, 1e-12);
  keys.release(NavigationKey::Right);
  keys.step(model, start + 400ms);
  EXPECT_NEAR(model.yaw(), yaw + 0.25, 1e-12);

  // Two keys at once, and focus lost lets go of both.
  keys.press(NavigationKey::Down, model, start);
  keys.press(NavigationKey::ZoomIn, model, start);
  const double pitch = model.pitch();
  const double field = model.field();
  keys.step(model, start + 1s);
  EXPECT_NEAR(model.pitch(), pitch - 0.008, 1e-12);
  EXPECT_NEAR(model.field(), field * 0.97, 1e-15);
  keys.releaseAll();
  EXPECT_FALSE(keys.active());
}

TEST_F(KeyNavigationTest, ZoomByStaysWithinTheLimits) {
  const double limit = model.fieldLimit();
  for (int i = 0; i < 200; ++i) model.zoomBy(0.9);
  model.camera();
  EXPECT_DOUBLE_EQ(model.field(), CPanViewer::kMinField);
  for (int i = 0; i < 200; ++i) model.zoomBy(1 / 0.9);
  model.camera();
  EXPECT_DOUBLE_EQ(model.field(), limit);
  // From the first frame's huge start value, one zoom step starts at the limit.
  CPanViewer fresh;
  fresh.setPicture({pixels.data(), 3 * 2000, 2000, 400}, 2 * std::numbers::pi);
  fresh.setViewport(800, 400);
  fresh.zoomBy(0.5);
  fresh.camera();
  EXPECT_DOUBLE_EQ(fresh.field(), limit * 0.5);
}

}  // namespace
}  // namespace skylacer::viewer
