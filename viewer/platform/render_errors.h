// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Status codes of the rendering layer and their names, and the layer's messages.

#include <string_view>

namespace skylacer::viewer::platform {

// 0 is success; other codes are OpenGL's error and framebuffer-status values, or one of the
// layer's own codes below for failures OpenGL has no value for.
using RenderStatus = unsigned;
inline constexpr RenderStatus kRenderOk = 0;
inline constexpr RenderStatus kContextNotCreated = 1;
inline constexpr RenderStatus kContextNotCurrent = 2;
inline constexpr RenderStatus kNoCompatibilityProfile = 3;
inline constexpr RenderStatus kNoFramebufferObjects = 4;

// A fixed text for each status: "No error." for 0, "Unrecognized error value." for a code the
// layer has no text for.
std::string_view renderErrorName(RenderStatus status);

namespace text {
inline constexpr char kNoDeviceForDepth[] =
    "Cannot find a D3D device driver which is compatible with the current display depth.\n";
inline constexpr char kCreateDeviceFailed[] = "Create D3D device failed.\n%s";
inline constexpr char kSetDisplayModeFailed[] = "SetDisplayMode to %dx%dx%d failed\n%s";
inline constexpr char kFlipFailed[] = "Flipping complex display surface failed.\n%s";
inline constexpr char kBltFailed[] = "Blt of back buffer to front buffer failed.\n%s";
inline constexpr char kWindowVideoMemory[] =
    "There was not enough video memory to create the rendering surface.\nTo run this program in "
    "a window of this size, please adjust your display settings for a smaller desktop area or a "
    "lower palette size and restart the program.";
inline constexpr char kFullScreenVideoMemory[] =
    "There was not enough video memory to create the rendering surface.\nPlease restart the "
    "program and try another fullscreen mode with less resolution or lower bit depth.";
}  // namespace text

}  // namespace skylacer::viewer::platform
