// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The viewer's modal boxes, drawn by the viewer itself in the middle of its view: message
// boxes titled "Oskelvind Panorama Viewer" (with an error icon where the viewer asks for one)
// and the about box "AppAbout". Each has one OK button; Enter, Space, Esc or a click on OK
// closes it.

#include <string>
#include <string_view>
#include <vector>

#include "viewer/canvas.h"

namespace skylacer::viewer {

enum class BoxIcon { None, Error, App };

// A text's lines: "\r\n" and "\n" break lines, and lines longer than `columns` characters
// wrap at spaces (or mid-word when a word is longer). Trailing empty lines are dropped.
std::vector<std::string> wrapLines(std::string_view text, int columns);

class MessageBox {
 public:
  MessageBox(std::string title, std::string_view text, BoxIcon icon);

  const std::string& title() const { return title_; }
  const std::vector<std::string>& lines() const { return lines_; }
  bool closed() const { return closed_; }

  // Places the box in the middle of a view of this size.
  void layout(Size view);
  Rect area() const { return area_; }
  Rect okButton() const { return ok_; }

  // A click: closes the box when on OK. A key (X keysym): Enter, Space and Esc close it.
  void click(Point at);
  void key(unsigned keysym);

  void paint(Canvas& canvas) const;

 private:
  std::string title_;
  std::string text_;
  std::vector<std::string> lines_;
  BoxIcon icon_;
  Rect area_;
  Rect ok_;
  bool closed_ = false;
};

}  // namespace skylacer::viewer
