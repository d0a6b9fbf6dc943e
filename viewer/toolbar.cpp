// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/toolbar.h"

#include <algorithm>

namespace skylacer::viewer {
namespace {

constexpr Colour kTooltipBackground{255, 255, 225};
constexpr Colour kTooltipText{0, 0, 0};
constexpr Colour kTooltipFrame{118, 118, 118};

// One button's square of a strip bitmap.
RgbaImage buttonOf(const RgbaImage& strip, int button) {
  RgbaImage square;
  square.width = kToolbarButtonSize;
  square.height = std::min(strip.height, kToolbarHeight);
  square.pixels.assign(static_cast<std::size_t>(square.width) * square.height * 4, 0);
  for (int y = 0; y < square.height; ++y)
    for (int x = 0; x < square.width; ++x) {
      const int from = button * kToolbarButtonSize + x;
      if (from >= strip.width) continue;
      std::copy_n(&strip.pixels[(static_cast<std::size_t>(y) * strip.width + from) * 4], 4,
                  &square.pixels[(static_cast<std::size_t>(y) * square.width + x) * 4]);
    }
  return square;
}

}  // namespace

std::optional<ToolbarButton> toolbarButtonAt(Point point, int viewHeight) {
  if (point.x < 0 || point.x >= kToolbarWidth) return std::nullopt;
  if (point.y < viewHeight - kToolbarHeight || point.y > viewHeight) return std::nullopt;
  return static_cast<ToolbarButton>(point.x / kToolbarButtonSize);
}

std::string_view toolbarTooltip(ToolbarButton button) {
  switch (button) {
    case ToolbarButton::Link:
      return "The viewer's web page";
    case ToolbarButton::ZoomIn:
      return "Zoom in (+ or wheel up)";
    case ToolbarButton::ZoomOut:
      return "Zoom out (- or wheel down)";
    case ToolbarButton::Turn:
      return "Turn automatically (Enter); a click stops";
    case ToolbarButton::Menu:
      return "Menu: devices, modes, full screen, about, exit";
  }
  return {};
}

Toolbar::Toolbar(const RgbaImage& normal, const RgbaImage& highlighted)
    : normal_(normal), highlightedLook_(highlighted) {}

bool Toolbar::highlight(std::optional<ToolbarButton> button) {
  if (button == highlighted_) return false;
  highlighted_ = button;
  return true;
}

void Toolbar::paint(Canvas& canvas) const {
  const int top = canvas.size().height - kToolbarHeight;
  for (int button = 0; button < kToolbarButtons; ++button) {
    const bool lit = highlighted_ && static_cast<int>(*highlighted_) == button;
    canvas.draw({button * kToolbarButtonSize, top},
                buttonOf(lit ? highlightedLook_ : normal_, button), true);
  }
}

void Toolbar::paintTooltip(Canvas& canvas, ToolbarButton button) {
  const std::string_view text = toolbarTooltip(button);
  const int width = textWidth(text) + 8;
  const int height = kGlyphHeight + 6;
  const Size view = canvas.size();
  const int x = std::clamp(static_cast<int>(button) * kToolbarButtonSize + 8, 0,
                           std::max(0, view.width - width));
  const int y = std::max(0, view.height - kToolbarHeight - height - 4);
  canvas.fill({x, y, width, height}, kTooltipBackground);
  canvas.frame({x, y, width, height}, kTooltipFrame);
  canvas.text({x + 4, y + 3}, text, kTooltipText);
}

}  // namespace skylacer::viewer
