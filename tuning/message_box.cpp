// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/message_box.h"

#include <QMessageBox>
#include <QPushButton>
#include <QString>

#include "engine/messages.h"

namespace skylacer::tuning {

namespace {

struct BoxLayout {
  QMessageBox::Icon icon;
  QMessageBox::StandardButtons buttons;
  QMessageBox::StandardButton defaultButton;
};

BoxLayout layoutOf(MessageKind kind) {
  using Box = QMessageBox;
  switch (kind) {
    case MessageKind::Notice:
      return {Box::NoIcon, Box::Ok, Box::Ok};
    case MessageKind::Error:
      return {Box::Critical, Box::Ok, Box::Ok};
    case MessageKind::YesNo:
      return {Box::NoIcon, Box::Yes | Box::No, Box::Yes};
    case MessageKind::YesNoDefaultNo:
      return {Box::NoIcon, Box::Yes | Box::No, Box::No};
    case MessageKind::YesNoStop:
      return {Box::Critical, Box::Yes | Box::No, Box::Yes};
    case MessageKind::YesNoCancel:
      return {Box::Question, Box::Yes | Box::No | Box::Cancel, Box::Yes};
    case MessageKind::StitchAnyway:
      return {Box::Warning, Box::Yes | Box::Cancel, Box::Cancel};
    case MessageKind::StitchInFoundOrder:
      return {Box::Warning, Box::Yes | Box::No | Box::Cancel, Box::Cancel};
  }
  return {Box::NoIcon, Box::Ok, Box::Ok};
}

void labelButton(QMessageBox& box, QMessageBox::StandardButton button, EngineText text) {
  const std::string_view label = engineText(text);
  box.button(button)->setText(
      QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size())));
}

}  // namespace

void MessageBoxes::showMessage(std::string_view text, output::MessageIcon icon) {
  ask(text, icon == output::MessageIcon::Error ? MessageKind::Error : MessageKind::Notice);
}

QString messageBoxText(std::string_view text) {
  QString result = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return result;
}

std::unique_ptr<QMessageBox> makeMessageBox(QWidget* parent, std::string_view text,
                                            MessageKind kind) {
  const BoxLayout layout = layoutOf(kind);
  auto box = std::make_unique<QMessageBox>(layout.icon, QString(), messageBoxText(text),
                                           layout.buttons, parent);
  box->setTextFormat(Qt::PlainText);
  box->setDefaultButton(layout.defaultButton);
  if (kind == MessageKind::StitchAnyway || kind == MessageKind::StitchInFoundOrder)
    labelButton(*box, QMessageBox::Yes, EngineText::StitchAnyway);
  if (kind == MessageKind::StitchInFoundOrder)
    labelButton(*box, QMessageBox::No, EngineText::StitchInFoundOrder);
  return box;
}

MessageAnswer QtMessageBoxes::ask(std::string_view text, MessageKind kind) {
  const std::unique_ptr<QMessageBox> box = makeMessageBox(parent_, text, kind);
  switch (box->exec()) {
    case QMessageBox::Yes:
      return MessageAnswer::Yes;
    case QMessageBox::No:
      return MessageAnswer::No;
    case QMessageBox::Cancel:
      return MessageAnswer::Cancel;
    default:
      return MessageAnswer::Ok;
  }
}

}  // namespace skylacer::tuning
