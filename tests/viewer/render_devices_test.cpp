// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/platform/render_devices.h"

#include <gtest/gtest.h>

#include "viewer/platform/render_errors.h"

namespace skylacer::viewer::platform {
namespace {

TEST(RenderDevices, AHardwareDriverOffersSoftwareRenderingBesideIt) {
  const auto devices = renderDevices("AMD Radeon RX 6600 (radeonsi, navi23, LLVM 15.0.6)", false);
  ASSERT_EQ(devices.size(), 2u);
  EXPECT_EQ(devices[0].name, "AMD Radeon RX 6600 (radeonsi, navi23, LLVM 15.0.6)");
  EXPECT_TRUE(devices[0].running);
  EXPECT_FALSE(devices[0].software);
  EXPECT_EQ(devices[1].name, "Software");
  EXPECT_TRUE(devices[1].software);
  EXPECT_FALSE(devices[1].running);
}

TEST(RenderDevices, SoftwareRenderingListsOnlyTheRunningDriver) {
  for (const auto& [renderer, requested] :
       {std::pair{"llvmpipe (LLVM 15.0.6, 256 bits)", false}, std::pair{"softpipe", true},
        std::pair{"Mesa Intel(R) UHD Graphics 620 (KBL GT2)", true}}) {
    SCOPED_TRACE(renderer);
    const auto devices = renderDevices(renderer, requested);
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].name, renderer);
    EXPECT_TRUE(devices[0].running);
  }
}

TEST(RenderErrors, EveryCodeHasAName) {
  EXPECT_EQ(renderErrorName(kRenderOk), "No error.");
  EXPECT_EQ(renderErrorName(0x0505), "GL_OUT_OF_MEMORY: there is not enough memory left.");
  EXPECT_EQ(renderErrorName(0x1234), "Unrecognized error value.");
  for (RenderStatus own : {kContextNotCreated, kContextNotCurrent, kNoCompatibilityProfile,
                           kNoFramebufferObjects}) {
    SCOPED_TRACE(own);
    EXPECT_NE(renderErrorName(own), "Unrecognized error value.");
  }
}

}  // namespace
}  // namespace skylacer::viewer::platform
