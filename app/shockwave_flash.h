// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The bridge between the program and the interface movie it hosts. The movie sees this object
// as its `host` property:
//   host.GetVariable(name) / host.SetVariable(name, text)  the shared variables;
//   host.FSCommand(command, argument)                      a command to the program;
//   onFrameAction(operation, target, label)                the program calling into the movie:
//       operation "TCallLabel" (call frame label `label` of clip `target`), "TGotoLabel" (show
//       state `label` of `target`) or "TPlay" (play clip `target`; `label` is empty).
// Variables are texts; a variable never set reads as "" on both sides, and any name is a valid
// variable name.

#include <QHash>
#include <QObject>
#include <QString>
#include <string>
#include <string_view>

#include "output/movie_variables.h"

namespace skylacer::app {

class CShockwaveFlash : public QObject, public output::InterfaceMovie {
  Q_OBJECT

 public:
  explicit CShockwaveFlash(QObject* parent = nullptr) : QObject(parent) {}

  Q_INVOKABLE QString GetVariable(const QString& name) const;
  Q_INVOKABLE void SetVariable(const QString& name, const QString& text);
  // Queues the command: commandReceived is emitted from the event loop once the movie's script
  // has returned, so a command that pumps events never runs inside a script frame.
  Q_INVOKABLE void FSCommand(const QString& command, const QString& argument);

  void TCallLabel(const QString& target, const QString& label);
  void TGotoLabel(const QString& target, const QString& label);
  void TPlay(const QString& target);

  // output::InterfaceMovie: the same operations in UTF-8.
  void setVariable(std::string_view name, std::string_view text) override;
  std::string getVariable(std::string_view name) override;
  void callLabel(std::string_view target, std::string_view label) override;

  // Forgets every variable, as a freshly loaded movie has none.
  void clearVariables() { variables_.clear(); }

 signals:
  void variableChanged(const QString& name, const QString& text);
  void frameAction(const QString& operation, const QString& target, const QString& label);
  void commandReceived(const QString& command, const QString& argument);

 private:
  QHash<QString, QString> variables_;
};

QString toQString(std::string_view utf8);

}  // namespace skylacer::app
