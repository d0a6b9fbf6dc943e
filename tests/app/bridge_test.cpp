// SPDX-License-Identifier: GPL-3.0-or-later
// The bridge to the movie: numbers read from it, variables under any name, commands queued.

#include <QQmlComponent>
#include <QQmlEngine>
#include <QSignalSpy>
#include <QTest>
#include <climits>

#include "app/movie_text.h"
#include "app/shockwave_flash.h"
#include "tests/app/test_registry.h"

using skylacer::app::CShockwaveFlash;
using skylacer::app::movieNumber;

class BridgeTest : public QObject {
  Q_OBJECT

 private slots:
  void numbersFromTheMovie_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("number");
    QTest::newRow("digits then letters") << "42abc" << 42;
    QTest::newRow("spaces and minus") << "  -17" << -17;
    QTest::newRow("plus sign") << "+8" << 8;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("letter first") << "abc" << 0;
    QTest::newRow("sign alone") << "-" << 0;
    QTest::newRow("past 32 bits") << "99999999999999999999" << INT_MAX;
    QTest::newRow("below 32 bits") << "-99999999999999999999" << INT_MIN;
    QTest::newRow("smallest") << "-2147483648" << INT_MIN;
  }
  void numbersFromTheMovie() {
    QFETCH(QString, text);
    QFETCH(int, number);
    QCOMPARE(movieNumber(text.toStdString()), number);
  }

  // Names that a property map refuses are ordinary variables here, on both sides.
  void anyNameIsAVariable() {
    CShockwaveFlash movie;
    QQmlEngine engine;
    QQmlComponent component(&engine);
    component.setData(R"(import QtQml
      QtObject {
        required property var host
        property string unset: host.GetVariable("never set")
        Component.onCompleted: {
          for (const name of ["destroyed", "deleteLater", "valueChanged", "keys"])
            host.SetVariable(name, "movie " + name)
        }
      })",
                      QUrl());
    std::unique_ptr<QObject> root(component.createWithInitialProperties(
        {{QStringLiteral("host"), QVariant::fromValue<QObject*>(&movie)}}));
    QVERIFY2(root, qPrintable(component.errorString()));
    QCOMPARE(root->property("unset").toString(), QString());
    for (const char* name : {"destroyed", "deleteLater", "valueChanged", "keys"}) {
      QCOMPARE(movie.getVariable(name), std::string("movie ") + name);
    }
  }

  // A command reaches the program only after the script that sent it has returned.
  void commandsAreQueued() {
    CShockwaveFlash movie;
    QSignalSpy received(&movie, &CShockwaveFlash::commandReceived);
    movie.FSCommand("AlignImages", "x");
    QCOMPARE(received.count(), 0);
    QTRY_COMPARE(received.count(), 1);
    QCOMPARE(received.at(0).at(0).toString(), QStringLiteral("AlignImages"));
    QCOMPARE(received.at(0).at(1).toString(), QStringLiteral("x"));
  }
};

SKYLACER_APP_TEST(BridgeTest);

#include "bridge_test.moc"
