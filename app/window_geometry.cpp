// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/window_geometry.h"

namespace skylacer::app {

namespace {

constexpr int kRectBytes = 16;

void putLittleEndian(std::vector<std::uint8_t>& bytes, std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  for (int shift = 0; shift < 32; shift += 8)
    bytes.push_back(static_cast<std::uint8_t>(bits >> shift));
}

std::int32_t getLittleEndian(std::span<const std::uint8_t> bytes) {
  std::uint32_t bits = 0;
  for (int i = 3; i >= 0; --i) bits = (bits << 8) | bytes[static_cast<std::size_t>(i)];
  return static_cast<std::int32_t>(bits);
}

}  // namespace

std::vector<std::uint8_t> windowRectBytes(const WindowRect& rect) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(kRectBytes);
  for (std::int32_t value : {rect.left, rect.top, rect.right, rect.bottom})
    putLittleEndian(bytes, value);
  return bytes;
}

std::optional<WindowRect> acceptedStoredRect(std::span<const std::uint8_t> stored,
                                             PixelSize screen) {
  if (stored.size() != kRectBytes) return std::nullopt;
  const WindowRect rect{
      getLittleEndian(stored.subspan(0, 4)), getLittleEndian(stored.subspan(4, 4)),
      getLittleEndian(stored.subspan(8, 4)), getLittleEndian(stored.subspan(12, 4))};
  // 64-bit differences: a corrupt value must not wrap into a plausible size.
  const std::int64_t width = std::int64_t{rect.right} - rect.left;
  const std::int64_t height = std::int64_t{rect.bottom} - rect.top;
  const bool plausible = width > 300 && height > 200 && rect.right > 0 && rect.top > 0 &&
                         rect.top < screen.height && rect.right < screen.width &&
                         width < screen.width && height < screen.height;
  if (!plausible) return std::nullopt;
  return rect;
}

WindowRect defaultPlacement(PixelSize screen) {
  const std::int32_t a = (screen.width / 100) * 80;
  const std::int32_t b = (screen.height / 100) * 80;
  const std::int32_t width = a < b * 1.4 ? a : static_cast<std::int32_t>(b * 1.4);
  const std::int32_t height = static_cast<std::int32_t>(width / 1.4);
  const std::int32_t left = (screen.width - width) / 2;
  const std::int32_t top = (screen.height - height) / 2;
  return {left, top, left + width, top + height};
}

bool worthStoring(const WindowRect& rect) {
  return rect.width() > 100 && rect.height() > 100;
}

std::optional<PixelSize> sizeRuleTarget(PixelSize client) {
  const std::int32_t cx = client.width;
  const std::int32_t cy = client.height;
  const std::int32_t d = cy * 7 / 5;
  if (cx < d - 15) return PixelSize{cx, cx * 5 / 7};
  if (cx > d + 15) return PixelSize{d, cy};
  if (cx < 300) return PixelSize{300, 214};
  if (cy < 200) return PixelSize{280, 200};
  return std::nullopt;
}

std::optional<WindowRect> maximisedFit(PixelSize client, const WindowRect& workArea) {
  const std::int32_t aw = workArea.width();
  const std::int32_t ah = workArea.height();
  if (client.width <= aw + 5 && client.height <= ah + 5) return std::nullopt;
  const PixelSize fit = aw < ah * 7 / 5 ? PixelSize{aw, aw * 5 / 7} : PixelSize{ah * 7 / 5, ah};
  return WindowRect{workArea.left, workArea.top, workArea.left + fit.width,
                    workArea.top + fit.height};
}

WindowRect sizingRule(const WindowRect& proposed, SizingEdge edge) {
  const std::int32_t w = proposed.width();
  const std::int32_t h = proposed.height();
  if (w == 0 || h == 0) return proposed;
  const std::int32_t wH = h * 7 / 5;
  const std::int32_t hW = w * 5 / 7;
  const std::int32_t aW = (w + wH) / 2;
  const std::int32_t aH = (h + hW) / 2;
  const std::int32_t mid = (proposed.left + proposed.right) / 2;
  WindowRect r = proposed;
  switch (edge) {
    case SizingEdge::Left:
    case SizingEdge::Right:
      r.bottom = r.top + hW;
      break;
    case SizingEdge::Top:
    case SizingEdge::Bottom:
      r.left = mid - wH / 2;
      r.right = mid + wH / 2;
      break;
    case SizingEdge::TopLeft:
      r.left = r.right - aW;
      r.top = r.bottom - aH;
      break;
    case SizingEdge::TopRight:
      r.top = r.bottom - aH;
      r.right = r.left + aW;
      break;
    case SizingEdge::BottomLeft:
      r.bottom = r.top + aH;
      r.left = r.right - aW;
      break;
    case SizingEdge::BottomRight:
      r.bottom = r.top + aH;
      r.right = r.left + aW;
      break;
  }
  return r;
}

PixelSize grabPoint(std::int32_t x, std::int32_t y) {
  return {x, y < 4 ? 3 : y};
}

}  // namespace skylacer::app
