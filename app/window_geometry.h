// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where the main window goes and which sizes it takes: pure functions over screen rectangles.
// The window keeps the proportion 7 : 5 (width : height). Rectangles are in screen pixels, right
// and bottom exclusive; all divisions are integer divisions truncating toward zero.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace skylacer::app {

struct WindowRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;

  std::int32_t width() const { return right - left; }
  std::int32_t height() const { return bottom - top; }
  friend bool operator==(const WindowRect&, const WindowRect&) = default;
};

struct PixelSize {
  std::int32_t width = 0;
  std::int32_t height = 0;
  friend bool operator==(const PixelSize&, const PixelSize&) = default;
};

// The stored value "windowrect": left, top, right, bottom as signed 32-bit little-endian.
std::vector<std::uint8_t> windowRectBytes(const WindowRect& rect);

// The stored rectangle when it is exactly 16 bytes and plausible on a screen of `screen`:
// wider than 300, higher than 200, right and top positive, top above the screen's bottom,
// right left of the screen's right edge, and smaller than the screen both ways.
std::optional<WindowRect> acceptedStoredRect(std::span<const std::uint8_t> stored,
                                             PixelSize screen);

// The default placement: 80 % of the screen at 1.4 : 1, centred. 1024 x 768 gives 784 x 560 at
// (120, 104).
WindowRect defaultPlacement(PixelSize screen);

// The close query stores the rectangle only of a window wider and higher than 100 pixels.
bool worthStoring(const WindowRect& rect);

// The size rule, applied to every size change of a restored window with client size `client`:
// the outer size to resize to, or nothing when the size holds (within 15 pixels of 7 : 5 and
// at least 300 x 200).
std::optional<PixelSize> sizeRuleTarget(PixelSize client);

// The size rule for a maximised window larger than the work area by more than 5 pixels: the
// largest 7 : 5 rectangle at the work area's top-left corner; nothing when the size holds.
std::optional<WindowRect> maximisedFit(PixelSize client, const WindowRect& workArea);

enum class SizingEdge { Left, Right, Top, Bottom, TopLeft, TopRight, BottomLeft, BottomRight };

// The sizing rule: the rectangle `proposed` while the user drags `edge`, brought to 7 : 5.
// A proposal of zero width or height stays as it is.
WindowRect sizingRule(const WindowRect& proposed, SizingEdge edge);

// The grab point of a title-bar drag, in client coordinates: a vertical part below 4 becomes 3.
PixelSize grabPoint(std::int32_t x, std::int32_t y);

}  // namespace skylacer::app
