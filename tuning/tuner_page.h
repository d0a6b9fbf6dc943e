// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the tuner's three pages share: edit fields and check boxes bound to the tuner's model.
// Every change of a field's text is taken at once (and checked, so a refusal can appear while
// the user types); every click of a check box too. After handing an edit to the model the page
// runs the dialog's `changed` callback, which updates Apply.

#include <QWidget>
#include <functional>
#include <vector>

#include "tuning/tuner_model.h"

class QCheckBox;
class QLabel;

namespace skylacer::tuning {

class IntegerFieldReader;
class IntegerSpinEdit;

class TunerPage : public QWidget {
 public:
  // The model, the reader and the callback belong to the dialog and outlive the page.
  TunerPage(TunerModel& model, IntegerFieldReader& reader, std::function<void()> changed);

  // Shows the model's values in every control of the page; this is not an edit.
  virtual void showValues();
  // Takes every field of the page into the model; false after the first refusal was shown.
  bool takeValues();

 protected:
  // A field with the arrows of its limits, named `objectName`; the label's mnemonic focuses it.
  IntegerSpinEdit* addField(TunerField field, QLabel* label, const char* objectName);
  QCheckBox* addCheck(TunerCheck check, const QString& text, const char* objectName);
  // Runs after the model took an edit of `field`, before the dialog is told.
  virtual void fieldEdited(TunerField) {}

  TunerModel& model() const { return model_; }
  void notifyChanged() const { changed_(); }

 private:
  struct BoundField {
    TunerField field;
    IntegerSpinEdit* edit;
  };
  struct BoundCheck {
    TunerCheck check;
    QCheckBox* box;
  };

  void takeEdit(const BoundField& bound);

  TunerModel& model_;
  IntegerFieldReader& reader_;
  std::function<void()> changed_;
  std::vector<BoundField> fields_;
  std::vector<BoundCheck> checks_;
};

// A label for a check box's explanation, indented under it and wrapped.
QLabel* explanationLabel(const QString& text);

}  // namespace skylacer::tuning
