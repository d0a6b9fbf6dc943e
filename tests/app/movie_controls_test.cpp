// SPDX-License-Identifier: GPL-3.0-or-later
// The interface movie's own controls on the real window: the result going out of date, the
// keyboard shortcuts, photos dropped from a file manager, scrolling and fitting the preview,
// the profile menu and the toolbar.

#include <QMimeData>
#include <QQuickItem>
#include <QTest>
#include <QUrl>
#include <fstream>

#include "resources/app_texts.h"
#include "tests/app/test_host.h"
#include "tests/app/test_registry.h"
#include "tuning/profiles.h"

using namespace skylacer;
using skylacer::test::TestHost;
using tuning::MessageAnswer;

namespace {

QPoint centreOf(QQuickItem* item) {
  return item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint();
}

// A single wide photo stitched as a 90 degree panorama: a result much wider than its view.
void stitchWidePhoto(TestHost& host) {
  const std::string photo = test::writeRampPhoto(host.folder / "wide.jpg", 6000, 400);
  host.services.fileChoices = {test::choiceOf({photo})};
  host.command("IDC_ADD_IMAGES");
  host.services.scriptedMessages.answers = {MessageAnswer::Yes};
  host.services.fieldOfViewDegrees = 90;
  QVERIFY(test::stitchByClicking(host));
  QTRY_VERIFY(host.item("sliceRow")->width() > host.item("resultView")->width() * 2);
}

bool publishingAvailable(TestHost& host) {
  return host.item("saveImageButton")->property("available").toBool() &&
         host.item("webPageButton")->property("available").toBool() &&
         host.item("viewerButton")->property("available").toBool();
}

QString statusText(TestHost& host) {
  return host.item("statusText")->property("text").toString();
}

double contentX(TestHost& host) {
  return host.item("resultView")->property("contentX").toDouble();
}

void sendDrop(QWidget& target, const QPoint& at, const QList<QUrl>& urls) {
  QMimeData data;
  data.setUrls(urls);
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&target, &enter);
  QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&target, &move);
  QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&target, &drop);
}

}  // namespace

class MovieControlsTest : public QObject {
  Q_OBJECT

 private slots:
  // The old panorama stayed "panorama ready" with every export enabled after the photos were
  // reordered or a stitch was cancelled.
  void resultGoesOutOfDate() {
    TestHost host(/*show=*/true);
    // Two small photos of one picture: stitched at once, "Stitch anyway" should they be refused.
    const std::vector<std::string> photos = {test::writeRampPhoto(host.folder / "a.jpg", 480, 320),
                                             test::writeRampPhoto(host.folder / "b.jpg", 480, 320)};
    host.services.fileChoices = {test::choiceOf(photos)};
    host.command("IDC_ADD_IMAGES");
    host.services.scriptedMessages.answers = {MessageAnswer::Yes};
    QVERIFY(test::stitchByClicking(host));
    QVERIFY(publishingAvailable(host));
    QVERIFY(host.item("staleNotice") == nullptr);
    QVERIFY(statusText(host).contains("panorama ready"));

    QMetaObject::invokeMethod(host.window->quickWidget().rootObject(), "movePhoto",
                              Q_ARG(QVariant, 0), Q_ARG(QVariant, 1));
    QCOMPARE(host.movie().getVariable("alignpath1"), photos[0]);
    QVERIFY(host.item("staleNotice") != nullptr);
    QVERIFY(!publishingAvailable(host));
    QVERIFY(host.item("resultView")->opacity() < 0.5);
    QVERIFY(statusText(host).contains("out of date: stitch again"));
    QVERIFY(!statusText(host).contains("panorama ready"));
    QVERIFY(host.click("saveImageButton"));
    QTest::qWait(50);
    QCOMPARE(host.services.fileRequests.size(), 1u);  // the one of "Add photos"

    // A new stitch brings the result up to date; a cancelled one leaves it out of date.
    host.services.scriptedMessages.answers = {MessageAnswer::Yes};
    QVERIFY(test::stitchByClicking(host));
    QVERIFY(publishingAvailable(host));
    QVERIFY(test::stitchCancelledByClicking(host));
    QCOMPARE(host.labelCount("GetResult"), 2);
    QVERIFY(host.item("staleNotice") != nullptr);
    QVERIFY(!publishingAvailable(host));
  }

  // Ctrl+O, Ctrl+S, Ctrl+N and F1 did nothing.
  void shortcutsRunTheirCommands() {
    TestHost host(/*show=*/true);
    host.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(host.window.get()));
    QWidget* keys = &host.window->quickWidget();

    QTest::keyClick(keys, Qt::Key_O, Qt::ControlModifier);
    QTRY_COMPARE(host.services.fileRequests.size(), 1u);
    QCOMPARE(host.services.fileRequests[0].mode, tuning::FileDialogMode::Open);
    QCOMPARE(host.services.fileRequests[0].filterText, std::string(app::texts::kProjectFilter));

    // Save project needs photos, as its button does.
    QTest::keyClick(keys, Qt::Key_S, Qt::ControlModifier);
    QTest::qWait(50);
    QCOMPARE(host.services.fileRequests.size(), 1u);
    host.services.fileChoices = {
        test::choiceOf({test::writeRampPhoto(host.folder / "a.jpg", 300, 200)})};
    host.command("IDC_ADD_IMAGES");
    QTest::keyClick(keys, Qt::Key_S, Qt::ControlModifier);
    QTRY_COMPARE(host.services.fileRequests.size(), 3u);
    QCOMPARE(host.services.fileRequests[2].mode, tuning::FileDialogMode::Save);

    host.services.scriptedMessages.answers = {MessageAnswer::No};
    QTest::keyClick(keys, Qt::Key_N, Qt::ControlModifier);
    QTRY_COMPARE(host.labelCount("newProject"), 1);
    QCOMPARE(host.movie().getVariable("NumImagesToAlign"), std::string("0"));

    QTest::keyClick(keys, Qt::Key_F1);
    QTRY_COMPARE(host.services.opened.size(), 1u);
    QVERIFY(QString::fromStdString(host.services.opened[0]).endsWith("/help/index.html"));

    // The help page of the window lists them.
    std::ifstream page(test::programDir() / "help" / "window.html");
    const std::string text{std::istreambuf_iterator<char>(page), {}};
    for (const char* key : {"Ctrl+O", "Ctrl+S", "Ctrl+N", "F1"})
      QVERIFY2(text.find(key) != std::string::npos, key);
  }

  // Photos dragged from a file manager could not be dropped.
  void droppedFilesJoinThePhotos() {
    TestHost host(/*show=*/true);
    const std::filesystem::path folder = host.folder / "Urlaub #1 Été";
    std::filesystem::create_directories(folder);
    const std::string first = test::writeRampPhoto(folder / "b 1.jpg", 300, 200);
    const std::string second = test::writeRampPhoto(folder / "a?.jpg", 300, 200);
    sendDrop(host.window->quickWidget(), centreOf(host.item("resultArea")),
             {QUrl::fromLocalFile(QString::fromStdString(first)),
              QUrl::fromLocalFile(QString::fromStdString(folder.string())),
              QUrl(QStringLiteral("https://example.org/c.jpg")),
              QUrl::fromLocalFile(QString::fromStdString((folder / "gone.jpg").string())),
              QUrl::fromLocalFile(QString::fromStdString(second))});
    QTRY_COMPARE(host.movie().getVariable("NumImagesToAlign"), std::string("2"));
    QCOMPARE(host.movie().getVariable("alignpath0"), first);
    QCOMPARE(host.movie().getVariable("alignpath1"), second);
    QCOMPARE(host.movie().getVariable("FileName1"), std::string("a?"));
    QVERIFY(host.window->state().changed);
  }

  // The preview scrolled only with a horizontal wheel.
  void previewScrollsAndFits() {
    TestHost host(/*show=*/true);
    stitchWidePhoto(host);
    QWidget& widget = host.window->quickWidget();
    QQuickItem* view = host.item("resultView");
    QCOMPARE(host.item("resultScrollBar")->opacity(), 1.0);

    // A plain wheel turned towards the user scrolls to the right, and back.
    const QPoint middle = centreOf(view);
    QWheelEvent wheel(middle, widget.mapToGlobal(middle), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&widget, &wheel);
    QTRY_VERIFY(contentX(host) > 0);
    const double afterWheel = contentX(host);

    // Dragging the panorama to the left shows more of its right side.
    QTest::mousePress(&widget, Qt::LeftButton, {}, middle);
    for (int step = 1; step <= 10; ++step)
      QTest::mouseMove(&widget, middle - QPoint(step * 20, 0), 10);
    QTest::mouseRelease(&widget, Qt::LeftButton, {}, middle - QPoint(200, 0), 10);
    QTRY_VERIFY(contentX(host) > afterWheel + 100);
    const double afterDrag = contentX(host);

    // Dragging the scroll bar's thumb to the right scrolls on.
    const QPoint thumb = centreOf(host.item("resultScrollThumb"));
    QTest::mousePress(&widget, Qt::LeftButton, {}, thumb);
    QTest::mouseMove(&widget, thumb + QPoint(60, 0), 10);
    QTest::mouseRelease(&widget, Qt::LeftButton, {}, thumb + QPoint(60, 0), 10);
    QTRY_VERIFY(contentX(host) > afterDrag + 60);

    // Fitted, the whole panorama shows and there is nothing to scroll.
    QVERIFY(host.click("fitButton"));
    QTRY_VERIFY(host.item("sliceRow")->width() <= view->width() + 1);
    QCOMPARE(contentX(host), 0.0);
    QCOMPARE(host.item("resultScrollBar")->opacity(), 0.0);
  }

  // The profile menu opened at the window's left edge, cut long names and did not show which
  // profile was in use.
  void profileMenuOpensUnderItsButton() {
    TestHost host(/*show=*/true);
    host.window->resize(1260, 900);
    QTRY_COMPARE(host.window->quickWidget().width(), 1260);
    std::vector<tuning::ParamProfile> profiles;
    for (const char* name : {"Wide", "A profile whose name is rather longer than most", "Night"})
      profiles.push_back({name, "for photos taken at dusk with a long lens and a tripod",
                          tuning::templateRecord()});
    QVERIFY(tuning::saveProfiles(host.userStore, profiles));
    host.movie().setVariable("curparam", "1");
    host.command("fillalgonames");
    QTRY_VERIFY(host.item("profileButton")->property("label").toString().contains("rather"));

    QVERIFY(host.click("profileButton"));
    QQuickItem* menu = nullptr;
    QTRY_VERIFY((menu = host.item("profileMenu")) != nullptr);
    QQuickItem* button = host.item("profileButton");
    const QPointF buttonCorner = button->mapToScene(QPointF(0, button->height()));
    QVERIFY(std::abs(menu->x() - buttonCorner.x()) < 1);
    QVERIFY(menu->y() >= buttonCorner.y());
    QVERIFY(menu->x() + menu->width() <= host.window->quickWidget().width());
    for (int i = 0; i < 3; ++i) {
      QQuickItem* entry = host.item(QStringLiteral("profileEntry%1").arg(i));
      QVERIFY(entry != nullptr);
      QCOMPARE(entry->property("checked").toBool(), i == 1);
      const auto* label = entry->findChild<QQuickItem*>(QStringLiteral("menuLabel"));
      QVERIFY(!label->property("truncated").toBool());
    }
    QVERIFY(host.click("profileEntry2"));
    QCOMPARE(host.movie().getVariable("curparam"), std::string("2"));
    QVERIFY(host.click("profileButton"));
    QTRY_VERIFY(host.item("profileEntry2") != nullptr);
    QVERIFY(host.item("profileEntry2")->property("checked").toBool());
  }

  // At the default size on a 1024 x 768 screen (784 x 560) the toolbar wrapped onto two rows.
  void toolbarKeepsOneRow() {
    TestHost host(/*show=*/true);
    host.window->resize(784, 560);
    QTRY_COMPARE(host.window->quickWidget().width(), 784);
    QQuickItem* buttons = host.item("toolbarButtons");
    const QList<QQuickItem*> row = buttons->childItems();
    QVERIFY(row.size() >= 5);
    for (QQuickItem* button : row) QCOMPARE(button->y(), 0.0);
    QVERIFY(buttons->childrenRect().width() <= buttons->width());
    // The project's commands sit in the title bar, clear of the window buttons.
    QQuickItem* save = host.item("saveProjectButton");
    QQuickItem* help = host.item("helpButton");
    QVERIFY(save->mapToScene(QPointF(save->width(), 0)).x() <= help->mapToScene(QPointF(0, 0)).x());
  }
};

SKYLACER_APP_TEST(MovieControlsTest);

#include "movie_controls_test.moc"
