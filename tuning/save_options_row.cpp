// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/save_options_row.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>

#include "tuning/dialog_texts.h"
#include "tuning/message_box.h"
#include "tuning/save_presets.h"

namespace skylacer::tuning {

namespace {

struct GridColumns {
  int first = 0;
  int span = 1;
};

GridColumns columnsOf(const QGridLayout& grid, int index) {
  int row = 0;
  int rowSpan = 0;
  GridColumns columns;
  grid.getItemPosition(index, &row, &columns.first, &rowSpan, &columns.span);
  return columns;
}

}  // namespace

QString outputSizeText(ImageSize size) {
  return QCoreApplication::translate("SavePresets", "%1 × %2 pixels")
      .arg(size.width)
      .arg(size.height);
}

SaveOptionsRow addSaveOptionsRow(QFileDialog& dialog, MessageBoxes& messages) {
  auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
  if (!grid) {
    messages.ask(dialogText(kSubclassBadParent), MessageKind::Notice);
    return {};
  }
  auto* fileTypes = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
  const int fileTypesIndex = fileTypes ? grid->indexOf(fileTypes) : -1;
  if (fileTypesIndex < 0) {
    messages.ask(dialogText(kSubclassNoComboBox), MessageKind::Notice);
    return {};
  }
  auto* fileTypesLabel = dialog.findChild<QLabel*>(QStringLiteral("fileTypeLabel"));
  const int labelIndex = fileTypesLabel ? grid->indexOf(fileTypesLabel) : -1;
  if (labelIndex < 0) {
    messages.ask(dialogText(kSubclassNoStatic), MessageKind::Notice);
    return {};
  }

  // The new row goes below every row the dialog has, so under the file-type row.
  const int newRow = grid->rowCount();

  auto* presets = new QComboBox(&dialog);
  presets->setObjectName(QStringLiteral("savePresetCombo"));
  presets->setFont(fileTypes->font());
  presets->setSizePolicy(fileTypes->sizePolicy());
  for (const char* text : kQualityPresetTexts)
    presets->addItem(QCoreApplication::translate(kSavePresetsContext, text));
  auto* label =
      new QLabel(QCoreApplication::translate(kSavePresetsContext, kSaveOptionsLabel), &dialog);
  label->setObjectName(QStringLiteral("savePresetLabel"));
  label->setFont(fileTypesLabel->font());
  label->setBuddy(presets);

  auto* outputSize = new QLabel(&dialog);
  outputSize->setObjectName(QStringLiteral("savePresetSize"));
  outputSize->setFont(fileTypesLabel->font());

  const GridColumns labelColumns = columnsOf(*grid, labelIndex);
  const GridColumns listColumns = columnsOf(*grid, fileTypesIndex);
  grid->addWidget(label, newRow, labelColumns.first, 1, labelColumns.span);
  grid->addWidget(presets, newRow, listColumns.first, 1, listColumns.span);
  grid->addWidget(outputSize, newRow, listColumns.first + listColumns.span);
  return {presets, outputSize};
}

}  // namespace skylacer::tuning
