// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Taking integer fields of one dialog, with their refusals shown one at a time.

#include <optional>

#include "tuning/integer_field.h"

class QLineEdit;

namespace skylacer::tuning {

class MessageBoxes;

class IntegerFieldReader {
 public:
  // The message boxes are owned by the caller and outlive the reader.
  explicit IntegerFieldReader(MessageBoxes& messages) : messages_(messages) {}

  // The field's value (readIntegerField). A refused text shows its message; when the message is
  // closed the focus is put back in the field with its text selected, and nothing is returned.
  // While a refusal is open, any read returns nothing and shows nothing, so that what happens
  // around the message (focus changes, further edits) never sets off a second one.
  std::optional<int> read(QLineEdit& field, std::optional<IntegerRange> range);

 private:
  MessageBoxes& messages_;
  bool refusalOpen_ = false;
};

}  // namespace skylacer::tuning
