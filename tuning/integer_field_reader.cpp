// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/integer_field_reader.h"

#include <QLineEdit>

#include "tuning/message_box.h"

namespace skylacer::tuning {

std::optional<int> IntegerFieldReader::read(QLineEdit& field, std::optional<IntegerRange> range) {
  if (refusalOpen_) return std::nullopt;
  const IntegerFieldReading reading = readIntegerField(field.text().toStdString(), range);
  if (reading.value) return reading.value;
  {
    refusalOpen_ = true;
    const struct Closed {
      bool& open;
      ~Closed() { open = false; }
    } closed{refusalOpen_};
    messages_.ask(reading.refusal, MessageKind::Notice);
  }
  field.setFocus(Qt::OtherFocusReason);
  field.selectAll();
  return std::nullopt;
}

}  // namespace skylacer::tuning
