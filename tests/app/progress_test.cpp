// SPDX-License-Identifier: GPL-3.0-or-later
// The progress object: bar values through nested ranges, texts, cancel and quit requests.

#include "app/progress.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

#include "tests/app/test_registry.h"

using skylacer::app::CProgress;
using skylacer::app::CShockwaveFlash;

class ProgressTest : public QObject {
  Q_OBJECT

 private slots:
  void barValuesAndTexts() {
    CShockwaveFlash movie;
    CProgress progress(movie, nullptr);
    QSignalSpy labels(&movie, &CShockwaveFlash::frameAction);
    QVERIFY(!progress.Report(0, "Initializing..."));
    QCOMPARE(movie.getVariable("PBarText"), std::string("Initializing..."));
    QCOMPARE(movie.getVariable("PBarProgress"), std::string("1"));
    QCOMPARE(labels.count(), 1);
    QCOMPARE(labels.at(0).at(2).toString(), QStringLiteral("SetProgress"));
    progress.Report(1);
    QCOMPARE(movie.getVariable("PBarProgress"), std::string("101"));
    QCOMPARE(movie.getVariable("PBarText"), std::string("Initializing..."));

    progress.PushRange(0.1, 0.95);
    progress.Report(0.5);
    QCOMPARE(movie.getVariable("PBarProgress"), std::string("53"));
    progress.PopRange();
    progress.Report(0.5);
    QCOMPARE(movie.getVariable("PBarProgress"), std::string("51"));
    QCOMPARE(progress.depth(), 0);
  }

  // A cancel queued by the movie is seen by the report that pumps it.
  void cancelArrivesDuringAReport() {
    CShockwaveFlash movie;
    CProgress progress(movie, nullptr);
    connect(&movie, &CShockwaveFlash::commandReceived, this, [&progress](const QString& command) {
      if (command == QLatin1String("IDCANCEL")) progress.requestCancel();
    });
    QVERIFY(!progress.Report(0.1));
    movie.FSCommand("IDCANCEL", "");
    QVERIFY(progress.Report(0.2));
    QVERIFY(progress.Report(0.3));
    progress.clearCancel();
    QVERIFY(!progress.Report(0.4));
  }

  // A request to quit seen while reporting is consumed as a cancel request.
  void quitBecomesCancel() {
    CShockwaveFlash movie;
    CProgress progress(movie, nullptr);
    QCoreApplication::postEvent(QCoreApplication::instance(), new QEvent(QEvent::Quit));
    QVERIFY(progress.Report(0.5));
  }
};

SKYLACER_APP_TEST(ProgressTest);

#include "progress_test.moc"
