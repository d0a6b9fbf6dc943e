// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/tuning/dialogs/dialog_test_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPixmap>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <memory>

#include "tuning/profiles.h"

namespace skylacer::tuning::test {

MessageAnswer RecordingMessages::ask(std::string_view text, MessageKind kind) {
  shown.push_back({std::string(text), kind});
  if (whileOpen) whileOpen();
  if (answers.empty()) return MessageAnswer::Ok;
  const MessageAnswer answer = answers.front();
  answers.pop_front();
  return answer;
}

void storeProfiles(registry::SettingsStore& store, int count) {
  std::vector<ParamProfile> profiles;
  for (int i = 0; i < count; ++i) {
    profiles.push_back({"P" + std::to_string(i), "Set " + std::to_string(i), templateRecord()});
  }
  ASSERT_TRUE(saveProfiles(store, profiles));
}

void answerNextModal(std::function<void(QWidget&)> answer) {
  constexpr int kPollMilliseconds = 10;
  constexpr int kMostPolls = 500;
  QWidget* const before = QApplication::activeModalWidget();
  auto* timer = new QTimer(qApp);
  auto polls = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, [timer, before, polls, answer] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != before && modal->isVisible()) {
      timer->stop();
      timer->deleteLater();
      const QPointer<QWidget> answered = modal;
      answer(*modal);
      if (answered && answered->isVisible() && QApplication::activeModalWidget() == answered) {
        ADD_FAILURE() << "the answer left the dialog open";
        answered->close();
      }
    } else if (++*polls > kMostPolls) {
      timer->stop();
      timer->deleteLater();
      ADD_FAILURE() << "no modal dialog appeared";
    }
  });
  timer->start(kPollMilliseconds);
}

void enterFileName(QFileDialog& dialog, const QString& name) {
  child<QLineEdit>(dialog, "fileNameEdit").setText(name);
}

bool saveScreenshot(QWidget& widget, const std::string& name) {
  const QString folder = QStringLiteral(SKYLACER_SCREENSHOT_DIR);
  if (!QDir().mkpath(folder)) return false;
  if (!widget.isVisible()) widget.show();
  QTest::qWait(50);
  return widget.grab().save(folder + QLatin1Char('/') + QString::fromStdString(name) +
                            QStringLiteral(".png"));
}

}  // namespace skylacer::tuning::test
