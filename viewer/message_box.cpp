// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/message_box.h"

#include <X11/keysym.h>

#include <algorithm>

#include "viewer/images.h"

namespace skylacer::viewer {
namespace {

constexpr int kTitleHeight = 20;
constexpr int kLineHeight = 16;
constexpr int kMargin = 12;
constexpr int kIconSize = 32;
constexpr int kButtonWidth = 72;
constexpr int kButtonHeight = 22;
constexpr Colour kFace{236, 236, 236};
constexpr Colour kTitleBar{48, 96, 176};
constexpr Colour kTitleText{255, 255, 255};
constexpr Colour kText{0, 0, 0};
constexpr Colour kFrameColour{90, 90, 90};
constexpr Colour kButtonFace{250, 250, 250};
constexpr Colour kErrorRed{200, 30, 30};
constexpr Colour kWhite{255, 255, 255};

void paintErrorIcon(Canvas& canvas, Point at) {
  // A red disc with a white cross.
  const int r = kIconSize / 2;
  for (int y = 0; y < kIconSize; ++y)
    for (int x = 0; x < kIconSize; ++x) {
      const int dx = x - r;
      const int dy = y - r;
      if (dx * dx + dy * dy <= (r - 1) * (r - 1))
        canvas.fill({at.x + x, at.y + y, 1, 1}, kErrorRed);
    }
  for (int i = 9; i < kIconSize - 9; ++i) {
    canvas.fill({at.x + i, at.y + i, 2, 2}, kWhite);
    canvas.fill({at.x + kIconSize - 1 - i - 1, at.y + i, 2, 2}, kWhite);
  }
}

}  // namespace

std::vector<std::string> wrapLines(std::string_view text, int columns) {
  columns = std::max(1, columns);
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    while (static_cast<int>(line.size()) > columns) {
      std::size_t cut = line.rfind(' ', static_cast<std::size_t>(columns));
      if (cut == std::string_view::npos || cut == 0) cut = static_cast<std::size_t>(columns);
      lines.emplace_back(line.substr(0, cut));
      line.remove_prefix(cut);
      if (!line.empty() && line.front() == ' ') line.remove_prefix(1);
    }
    lines.emplace_back(line);
    if (end == text.size()) break;
    start = end + 1;
  }
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

MessageBox::MessageBox(std::string title, std::string_view text, BoxIcon icon)
    : title_(std::move(title)), text_(text), icon_(icon) {
  layout({800, 400});
}

void MessageBox::layout(Size view) {
  const int iconRoom = icon_ == BoxIcon::None ? 0 : kIconSize + kMargin;
  const int columns =
      std::max(20, (std::min(view.width, 640) - 2 * kMargin - iconRoom) / kGlyphWidth);
  lines_ = wrapLines(text_, columns);
  int textColumns = 0;
  for (const std::string& line : lines_)
    textColumns = std::max(textColumns, static_cast<int>(line.size()));
  const int width = std::max({textColumns * kGlyphWidth + iconRoom + 2 * kMargin,
                              textWidth(title_) + 2 * kMargin, kButtonWidth + 2 * kMargin, 200});
  const int textHeight = std::max(static_cast<int>(lines_.size()) * kLineHeight,
                                  icon_ == BoxIcon::None ? 0 : kIconSize);
  const int height = kTitleHeight + kMargin + textHeight + kMargin + kButtonHeight + kMargin;
  area_ = {std::max(0, (view.width - width) / 2), std::max(0, (view.height - height) / 2), width,
           height};
  ok_ = {area_.x + (width - kButtonWidth) / 2, area_.y + height - kMargin - kButtonHeight,
         kButtonWidth, kButtonHeight};
}

void MessageBox::click(Point at) {
  if (ok_.contains(at)) closed_ = true;
}

void MessageBox::key(unsigned keysym) {
  if (keysym == XK_Return || keysym == XK_KP_Enter || keysym == XK_space || keysym == XK_Escape)
    closed_ = true;
}

void MessageBox::paint(Canvas& canvas) const {
  canvas.fill(area_, kFace);
  canvas.frame(area_, kFrameColour);
  canvas.fill({area_.x + 1, area_.y + 1, area_.width - 2, kTitleHeight - 1}, kTitleBar);
  canvas.text({area_.x + 8, area_.y + 4}, title_, kTitleText);
  int textX = area_.x + kMargin;
  const int top = area_.y + kTitleHeight + kMargin;
  if (icon_ == BoxIcon::Error) paintErrorIcon(canvas, {textX, top});
  if (icon_ == BoxIcon::App) canvas.draw({textX, top}, appIcon(), false);
  if (icon_ != BoxIcon::None) textX += kIconSize + kMargin;
  for (std::size_t i = 0; i < lines_.size(); ++i)
    canvas.text({textX, top + static_cast<int>(i) * kLineHeight + 1}, lines_[i], kText);
  canvas.fill(ok_, kButtonFace);
  canvas.frame(ok_, kFrameColour);
  canvas.text({ok_.x + (ok_.width - textWidth("OK")) / 2, ok_.y + (ok_.height - kGlyphHeight) / 2},
              "OK", kText);
}

}  // namespace skylacer::viewer
