// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/shockwave_flash.h"

#include <QMetaObject>

namespace skylacer::app {

QString toQString(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QString CShockwaveFlash::GetVariable(const QString& name) const {
  return variables_.value(name);
}

void CShockwaveFlash::SetVariable(const QString& name, const QString& text) {
  variables_.insert(name, text);
  emit variableChanged(name, text);
}

void CShockwaveFlash::FSCommand(const QString& command, const QString& argument) {
  QMetaObject::invokeMethod(
      this, [this, command, argument] { emit commandReceived(command, argument); },
      Qt::QueuedConnection);
}

void CShockwaveFlash::TCallLabel(const QString& target, const QString& label) {
  emit frameAction(QStringLiteral("TCallLabel"), target, label);
}

void CShockwaveFlash::TGotoLabel(const QString& target, const QString& label) {
  emit frameAction(QStringLiteral("TGotoLabel"), target, label);
}

void CShockwaveFlash::TPlay(const QString& target) {
  emit frameAction(QStringLiteral("TPlay"), target, QString());
}

void CShockwaveFlash::setVariable(std::string_view name, std::string_view text) {
  SetVariable(toQString(name), toQString(text));
}

std::string CShockwaveFlash::getVariable(std::string_view name) {
  return GetVariable(toQString(name)).toStdString();
}

void CShockwaveFlash::callLabel(std::string_view target, std::string_view label) {
  TCallLabel(toQString(target), toQString(label));
}

}  // namespace skylacer::app
