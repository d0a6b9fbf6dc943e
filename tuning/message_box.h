// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Message boxes of the desktop program. They carry the application's title, which is empty,
// and break lines at "\r\n" (or a lone "\n" or "\r").
//
// Dialogs and outputs ask through the MessageBoxes interface, never by building a box
// themselves, so that a test can answer them; QtMessageBoxes shows real ones.

#include <memory>
#include <string>
#include <string_view>

#include "output/prompt.h"

class QMessageBox;
class QString;
class QWidget;

namespace skylacer::tuning {

enum class MessageKind {
  Notice,          // OK, no icon
  Error,           // OK, the error icon
  YesNo,           // Yes and No, Yes the default
  YesNoDefaultNo,  // Yes and No, No the default
  YesNoStop,       // Yes and No, the stop icon
  YesNoCancel,     // Yes, No and Cancel, the question icon
  StitchAnyway,    // "Stitch anyway" (answers Yes) and Cancel, Cancel the default, warning icon
  // "Stitch anyway" (answers Yes), "Stitch in the order found" (answers No) and Cancel, Cancel
  // the default, warning icon
  StitchInFoundOrder,
};

// How the user closed a message box. Closing a box with Escape or its window's close button
// answers Cancel where there is a Cancel button, else No, else OK.
enum class MessageAnswer { Ok, Yes, No, Cancel };

class MessageBoxes : public output::UserPrompt {
 public:
  // Shows `text` (UTF-8) and returns when the user has answered.
  virtual MessageAnswer ask(std::string_view text, MessageKind kind) = 0;

  // The outputs' messages: Plain as Notice, Error as Error.
  void showMessage(std::string_view text, output::MessageIcon icon) final;

 protected:
  ~MessageBoxes() = default;
};

// The box for `text`, not yet shown: empty title, the kind's buttons, default button and icon.
std::unique_ptr<QMessageBox> makeMessageBox(QWidget* parent, std::string_view text,
                                            MessageKind kind);

// The text with each "\r\n", "\r" or "\n" as one line break ("\n").
QString messageBoxText(std::string_view text);

// Real message boxes, modal over `parent` (none: application-modal).
class QtMessageBoxes final : public MessageBoxes {
 public:
  explicit QtMessageBoxes(QWidget* parent) : parent_(parent) {}
  MessageAnswer ask(std::string_view text, MessageKind kind) override;

 private:
  QWidget* parent_;
};

}  // namespace skylacer::tuning
