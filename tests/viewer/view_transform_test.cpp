// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/platform/view_transform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "viewer/pan_viewer.h"

namespace skylacer::viewer::platform {
namespace {

struct Projected {
  double x;  // normalised device coordinates: -1 left .. 1 right
  double y;  // -1 bottom .. 1 top
  double w;  // > 0 in front of the camera
};

Projected project(const CameraFrame& camera, int width, int height, Vector3 point) {
  const Matrix4 view = viewMatrix(camera);
  const Matrix4 projection = projectionMatrix(camera.field, width, height);
  double eye[4], clip[4];
  const double p[4] = {point.x, point.y, point.z, 1};
  for (int row = 0; row < 4; ++row) {
    eye[row] = 0;
    for (int k = 0; k < 4; ++k) eye[row] += view[static_cast<std::size_t>(4 * k + row)] * p[k];
  }
  for (int row = 0; row < 4; ++row) {
    clip[row] = 0;
    for (int k = 0; k < 4; ++k)
      clip[row] += projection[static_cast<std::size_t>(4 * k + row)] * eye[k];
  }
  return {clip[0] / clip[3], clip[1] / clip[3], clip[3]};
}

Vector3 onCylinder(double theta, double z) { return {std::cos(theta), std::sin(theta), z}; }

// A camera from the panorama model, looking at yaw (radians) with pitch 0.
CameraFrame modelCamera(double yaw) {
  std::vector<std::uint8_t> pixels(std::size_t{3} * 4000 * 800);
  CPanViewer model;
  model.setViewport(800, 400);
  model.setPicture({pixels.data(), 3 * 4000, 4000, 800}, 2 * std::numbers::pi);
  model.setAutoRotation(false);
  model.drag(static_cast<int>(std::lround((yaw - 0.005) / 0.01)), 0);
  return model.camera();
}

TEST(ViewTransform, LargerAnglesAppearFurtherRightAndUpIsUp) {
  for (double yaw : {0.005, 1.005, 3.005, 5.505}) {
    SCOPED_TRACE(yaw);
    const CameraFrame camera = modelCamera(yaw);
    const Projected centre = project(camera, 800, 400, onCylinder(yaw, 0));
    EXPECT_NEAR(centre.x, 0, 1e-5);
    EXPECT_NEAR(centre.y, 0, 1e-5);
    EXPECT_GT(centre.w, 0);
    double previous = -2;
    for (double offset = -0.5; offset <= 0.5; offset += 0.1) {
      const double x = project(camera, 800, 400, onCylinder(yaw + offset, 0)).x;
      EXPECT_GT(x, previous) << "offset " << offset;
      previous = x;
    }
    EXPECT_GT(project(camera, 800, 400, onCylinder(yaw, 0.2)).y, 0);
    EXPECT_LT(project(camera, 800, 400, onCylinder(yaw, -0.2)).y, 0);
  }
}

TEST(ViewTransform, FieldIsTheHalfExtentAtTheFrontClipAlongTheLongerSide) {
  const CameraFrame camera{{1, 0, 0}, {0, 0, 1}, 0.004};  // tan = 0.4 along the longer side
  // Landscape: the right edge is at tan 0.4, the top at 0.4 × 400 / 800.
  EXPECT_NEAR(project(camera, 800, 400, {1, 0.4, 0}).x, 1, 1e-5);
  EXPECT_NEAR(project(camera, 800, 400, {1, 0, 0.2}).y, 1, 1e-5);
  // Portrait: the top edge is at tan 0.4.
  EXPECT_NEAR(project(camera, 300, 600, {1, 0, 0.4}).y, 1, 1e-5);
  EXPECT_NEAR(project(camera, 300, 600, {1, 0.2, 0}).x, 1, 1e-5);
}

TEST(ViewTransform, KeepsOnlyThePartOfUpPerpendicularToTheDirection) {
  const CameraFrame tilted{{1, 0, 0}, {0.6, 0, 0.8}, 0.004};
  const CameraFrame upright{{1, 0, 0}, {0, 0, 1}, 0.004};
  EXPECT_EQ(viewMatrix(tilted), viewMatrix(upright));
}

}  // namespace
}  // namespace skylacer::viewer::platform
