// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Seam blending: joins a projected photograph to the panorama along a seam that runs from top
// to bottom through the overlap with the photograph before it.
//
// Frames: the panorama is P x H; the canvas (the new photograph projected by projectImage) is
// W x H and its column t lies over panorama column a + t. A pixel whose three bytes are 0 is
// empty. Canvas columns at or past W and panorama columns at or past a + W (nothing has been
// painted right of the new photograph yet; the buffer may hold anything there) or P count as
// empty, so the seam's comparison strip may reach past either right end; every walk along a row
// stops at the row's ends. Both buffers hold 3 bytes a pixel; the canvas is packed, the panorama
// packed or, where `strips` are given, in those column strips (engine/column_strips.h).

#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <vector>

#include "engine/buffers.h"
#include "engine/column_strips.h"

namespace skylacer {

// The band of panorama rows every seam so far covered: rows top..bottom - 1 survive the crop.
struct CropRows {
  std::int32_t top = 0;
  std::int32_t bottom = 0;
};

// Per row of one seam: the carried seam column (canvas columns) and the colour difference
// found there.
struct SeamRow {
  int column = 0;              // seam column t, canvas columns
  int pairs = 0;               // valid pixel pairs of the best candidate (m)
  int meanDifference[3] = {};  // canvas minus panorama per channel, integer mean
};

// Canvas columns from a split column on may have been projected straight into the panorama (at
// panorama column a + column, all of them inside it: a + W <= P) instead of into the canvas,
// where the panorama held nothing yet: the seam then reads them there, reads the panorama's own
// content there as empty, and empties again those that end up left of a row's joint. The
// default keeps the whole canvas in its own buffer.
constexpr int kWholeCanvas = std::numeric_limits<int>::max();

// Step 1 of the blend: the seam searched row by row, top to bottom, in a window of +-8 columns
// around the column carried from the row above, starting at the middle of the overlap minus
// blendPixels / 2. Rows in which no candidate finds an overlapping pixel pair narrow `rows`:
// one in the upper half raises top to it, one in the lower half lowers bottom to it.
std::vector<SeamRow> searchSeam(std::span<const std::uint8_t> panorama, ImageSize panoramaSize,
                                std::span<const std::uint8_t> canvas, ImageSize canvasSize, int a,
                                int b, int blendPixels, CropRows& rows,
                                int canvasSplit = kWholeCanvas,
                                std::optional<ColumnStrips> strips = std::nullopt);

// Joins the canvas to the panorama: searchSeam, then per row a colour correction of both sides
// (each moved halfway towards the other, fading with distance from the seam and faster across
// strong edges), a 16-pixel cross-fade starting 16 columns right of the seam, and the rest of
// the canvas row copied with its correction. Empty canvas pixels never overwrite the panorama.
// a is the panorama column of the new photograph, b that of the previous one. Returns, per
// row, the panorama column where the cross-fade starts. The search runs on the calling thread;
// the rows are then joined on up to `workers` threads, with the same bytes for any number.
std::vector<int> blendSeam(std::span<std::uint8_t> panorama, ImageSize panoramaSize,
                           std::span<const std::uint8_t> canvas, ImageSize canvasSize, int a, int b,
                           int blendPixels, CropRows& rows, int canvasSplit = kWholeCanvas,
                           int workers = 1, std::optional<ColumnStrips> strips = std::nullopt);

}  // namespace skylacer
