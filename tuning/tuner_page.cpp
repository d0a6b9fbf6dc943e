// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/tuner_page.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

#include "tuning/field_text.h"
#include "tuning/integer_field_reader.h"
#include "tuning/integer_spin_edit.h"

namespace skylacer::tuning {

TunerPage::TunerPage(TunerModel& model, IntegerFieldReader& reader, std::function<void()> changed)
    : model_(model), reader_(reader), changed_(std::move(changed)) {}

IntegerSpinEdit* TunerPage::addField(TunerField field, QLabel* label, const char* objectName) {
  auto* edit = new IntegerSpinEdit(tunerFieldLimits(field).arrows, this);
  edit->setObjectName(QString::fromLatin1(objectName));
  label->setBuddy(edit);
  fields_.push_back({field, edit});
  const BoundField bound = fields_.back();
  connect(&edit->editor(), &QLineEdit::textChanged, this, [this, bound] { takeEdit(bound); });
  return edit;
}

QCheckBox* TunerPage::addCheck(TunerCheck check, const QString& text, const char* objectName) {
  auto* box = new QCheckBox(text, this);
  box->setObjectName(QString::fromLatin1(objectName));
  checks_.push_back({check, box});
  connect(box, &QCheckBox::clicked, this, [this, check](bool on) {
    model_.clickCheck(check, on);
    changed_();
  });
  return box;
}

void TunerPage::takeEdit(const BoundField& bound) {
  const std::optional<int> value =
      reader_.read(bound.edit->editor(), tunerFieldLimits(bound.field).accepted);
  if (!value) return;
  model_.editField(bound.field, *value);
  fieldEdited(bound.field);
  changed_();
}

void TunerPage::showValues() {
  for (const BoundField& bound : fields_) {
    showFieldText(bound.edit->editor(), model_.field(bound.field));
  }
  for (const BoundCheck& bound : checks_) {
    const QSignalBlocker blocker(bound.box);
    bound.box->setChecked(model_.check(bound.check));
  }
}

bool TunerPage::takeValues() {
  for (const BoundField& bound : fields_) {
    const std::optional<int> value =
        reader_.read(bound.edit->editor(), tunerFieldLimits(bound.field).accepted);
    if (!value) return false;
    if (*value != model_.field(bound.field)) model_.editField(bound.field, *value);
  }
  return true;
}

QLabel* explanationLabel(const QString& text) {
  auto* label = new QLabel(text);
  label->setWordWrap(true);
  label->setIndent(20);
  return label;
}

}  // namespace skylacer::tuning
