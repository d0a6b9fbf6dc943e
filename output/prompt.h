// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How the outputs tell the user about a failure. The desktop program shows the text in a message
// box with an empty title; panorama-cli prints it to standard error.

#include <string_view>

namespace skylacer::output {

enum class MessageIcon {
  Plain,  // a standard message box
  Error,  // the error icon
};

class UserPrompt {
 public:
  // Shows `text` (UTF-8; "\n" and "\r\n" break lines) and returns when the user has seen it.
  virtual void showMessage(std::string_view text, MessageIcon icon) = 0;

 protected:
  ~UserPrompt() = default;
};

}  // namespace skylacer::output
