// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Helpers of the dialogs' tests: message boxes answered by the test, modal dialogs answered
// while a tested call waits in exec(), settings in a temporary folder, and screenshots.

#include <QString>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/registry/application_settings.h"
#include "platform/registry/settings_store.h"
#include "tests/support/temp_dir.h"
#include "tuning/message_box.h"

class QFileDialog;
class QWidget;

namespace skylacer::tuning::test {

struct ShownMessage {
  std::string text;
  MessageKind kind;
};

// Records every message and answers from `answers` in order, then with Ok.
class RecordingMessages final : public MessageBoxes {
 public:
  MessageAnswer ask(std::string_view text, MessageKind kind) override;

  std::vector<ShownMessage> shown;
  std::deque<MessageAnswer> answers;
  // Runs while a message is "open", before it is answered.
  std::function<void()> whileOpen;
};

// The user's settings store of a test, in a fresh temporary folder.
struct TestSettings {
  skylacer::test::TempDir dir;
  registry::SettingsStore store{dir / "settings.db", registry::SettingsStore::Access::ReadWrite};
  registry::ApplicationSettings settings{store};
};

// Stores profiles "P0", "P1", ... described "Set 0", "Set 1", ..., each with the template record.
void storeProfiles(registry::SettingsStore& store, int count);

// Calls `answer` with the next modal dialog to appear (another one than the active modal widget
// of now) as soon as it is shown; for dialogs that the tested code runs with exec(). A dialog
// that does not appear within five seconds fails the test, and so does an answer that leaves the
// dialog open (it is closed, so that the test ends instead of waiting for ever).
void answerNextModal(std::function<void(QWidget&)> answer);

// Types `name` into the file name field of a file dialog, as the user does. (selectFile() leaves
// the field alone while it has the focus.)
void enterFileName(QFileDialog& dialog, const QString& name);

// Saves the widget as "<name>.png" in the build's screenshot folder; false when it could not.
bool saveScreenshot(QWidget& widget, const std::string& name);

}  // namespace skylacer::tuning::test

#include <QObject>
#include <stdexcept>

namespace skylacer::tuning::test {

// The child named `name` of `parent`; a missing one ends the test with an exception.
template <typename Widget>
Widget& child(const QObject& parent, const char* name) {
  auto* found = parent.findChild<Widget*>(QString::fromLatin1(name));
  if (!found) throw std::runtime_error(std::string("no child named ") + name);
  return *found;
}

}  // namespace skylacer::tuning::test
