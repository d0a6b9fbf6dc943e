// SPDX-License-Identifier: GPL-3.0-or-later
// The about box: its version text, closing on a key or a click, and a missing movie.

#include "app/about_dlg.h"

#include <QTest>

#include "tests/app/test_host.h"
#include "tests/app/test_registry.h"

using namespace skylacer;

class AboutDlgTest : public QObject {
  Q_OBJECT

 private slots:
  void showsTheVersionAndClosesOnInput_data() {
    QTest::addColumn<int>("input");  // 0 key, 1 left button, 2 right button
    QTest::newRow("key") << 0;
    QTest::newRow("left button") << 1;
    QTest::newRow("right button") << 2;
  }
  void showsTheVersionAndClosesOnInput() {
    QFETCH(int, input);
    test::TestHost host(/*show=*/true);
    // A program folder without the movie: declining to locate it closes only the about box.
    const std::filesystem::path programFolder = host.folder / "bin";
    app::CAboutDlg about(host.window.get());
    QVERIFY(!about.prepare(programFolder, host.services));
    QVERIFY(host.services.exitCodes.empty());
    host.services.scriptedMessages.answers = {tuning::MessageAnswer::Yes};
    host.services.fileChoices = {test::choiceOf({(test::interfacesDir() / "about.qml").string()})};
    QVERIFY(about.prepare(programFolder, host.services));
    QCOMPARE(app::productVersionText(), QStringLiteral("version: 3.1 (build 411)"));
    QCOMPARE(about.movie().GetVariable("str_product"), app::productVersionText());
    QCOMPARE(about.size(), QSize(528, 300));
    QCOMPARE(about.quickWidget().size(), QSize(522, 300));
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QQuickWidget& movie = about.quickWidget();
    if (input == 0)
      QTest::keyClick(&movie, Qt::Key_Space);
    else
      QTest::mouseClick(&movie, input == 1 ? Qt::LeftButton : Qt::RightButton, {},
                        QPoint(100, 100));
    QTRY_VERIFY(!about.isVisible());
    QCOMPARE(about.result(), int(QDialog::Accepted));
    QVERIFY(host.window->isVisible());
  }
};

SKYLACER_APP_TEST(AboutDlgTest);

#include "about_dlg_test.moc"
