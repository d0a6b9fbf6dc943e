// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The viewer's pictures: its built-in bitmaps (the toolbar strips and the icon, Windows BMP
// files embedded in the program) and the PNG files of snapshots. Plain C++.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "viewer/platform/x_window.h"

namespace skylacer::viewer {

using platform::RgbaImage;

// An uncompressed Windows bitmap of 24 bits a pixel (opaque) or 32 (blue, green, red, alpha),
// rows bottom-up or top-down. Empty for anything else or a file too short for its pixels.
std::optional<RgbaImage> decodeBmp(std::span<const std::uint8_t> file);

// A PNG file of the picture's colours (alpha left out), its data stored without compression.
std::vector<std::uint8_t> encodePng(const RgbaImage& image);

// The embedded bitmaps: the toolbar strips (bitmap 105 normal, bitmap 104 highlighted), each
// 160 × 32, and the 32 × 32 icon "AppIcon".
const RgbaImage& toolbarNormalBitmap();
const RgbaImage& toolbarHighlightedBitmap();
const RgbaImage& appIcon();

}  // namespace skylacer::viewer
