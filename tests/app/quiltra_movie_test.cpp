// SPDX-License-Identifier: GPL-3.0-or-later
// The real interface movie clicked through a whole session: add the sample photos, reorder and
// rotate, stitch twice, cancel a stitch, save, export, project round trip, close query. The
// screenshots stay in the test's artefacts folder.

#include <QElapsedTimer>
#include <QImage>
#include <QQuickWidget>
#include <QTest>
#include <cmath>

#include "output/project.h"
#include "resources/app_texts.h"
#include "tests/app/test_host.h"
#include "tests/app/test_registry.h"

using namespace skylacer;
using skylacer::test::TestHost;
using tuning::MessageAnswer;

namespace {

QImage screenshot(TestHost& host, const char* name) {
  QTest::qWait(100);
  QImage shot = host.window->quickWidget().grabFramebuffer();
  shot.save(QString::fromStdString((test::artefactsDir() / name).string()));
  return shot;
}

// Mean absolute difference per channel between the shown result and the panorama scaled the
// same way, over the visible part of the result.
double resultDifference(TestHost& host, const QImage& shot) {
  QQuickItem* row = host.item("sliceRow");
  QQuickItem* area = host.item("resultArea");
  const QRectF rowRect = row->mapRectToScene(QRectF(0, 0, row->width(), row->height()));
  const QRectF areaRect = area->mapRectToScene(QRectF(0, 0, area->width(), area->height()));
  const QRect shown = rowRect.intersected(areaRect.adjusted(10, 10, -10, -10)).toAlignedRect();
  const app::WorkingState& state = host.window->state();
  const QImage panorama(state.panorama.data(), state.panoramaSize.width, state.panoramaSize.height,
                        state.panoramaSize.width * 3, QImage::Format_BGR888);
  const double scale = rowRect.height() / state.panoramaSize.height;
  const QRect source(std::lround((shown.left() - rowRect.left()) / scale), 0,
                     std::lround(shown.width() / scale), state.panoramaSize.height);
  const QImage expected =
      panorama.copy(source)
          .scaled(shown.width(), shown.height(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
          .convertToFormat(QImage::Format_RGB888);
  const QImage actual = shot.copy(shown).convertToFormat(QImage::Format_RGB888);
  double sum = 0;
  for (int y = 0; y < actual.height(); ++y) {
    const uchar* a = actual.constScanLine(y);
    const uchar* e = expected.constScanLine(y);
    for (int x = 0; x < actual.width() * 3; ++x) sum += std::abs(a[x] - e[x]);
  }
  return sum / (double(actual.width()) * actual.height() * 3);
}

}  // namespace

class QuiltraMovieTest : public QObject {
  Q_OBJECT

 private slots:
  void wholeSession() {
    TestHost host(/*show=*/true);
    screenshot(host, "1-start.png");
    QCOMPARE(host.movie().getVariable("NumImagesToAlign"), std::string("0"));

    // Add the samples, listed by the dialog with the focused file first.
    std::vector<std::string> photos = test::samplePhotoPaths();
    std::vector<std::string> listed = photos;
    std::rotate(listed.rbegin(), listed.rbegin() + 1, listed.rend());
    host.services.fileChoices = {test::choiceOf(listed)};
    QVERIFY(host.click("addButton"));
    QTRY_COMPARE(host.movie().getVariable("NumImagesToAlign"), std::to_string(photos.size()));
    for (std::size_t i = 0; i < photos.size(); ++i)
      QCOMPARE(host.movie().getVariable("alignpath" + std::to_string(i)), photos[i]);
    QVERIFY(host.window->state().changed);
    screenshot(host, "2-photos.png");

    // Rotate the second photo a quarter turn and back again.
    QVERIFY(host.click("rotate1"));
    QTRY_COMPARE(host.movie().getVariable("alignang1"), std::string("1"));
    for (int turn = 0; turn < 3; ++turn) QVERIFY(host.click("rotate1"));
    QTRY_COMPARE(host.movie().getVariable("alignang1"), std::string("0"));

    QElapsedTimer stitchTime;
    stitchTime.start();
    QVERIFY(test::stitchByClicking(host));
    qInfo("the sample stitch took %lld ms from the click to the result", stitchTime.elapsed());
    QVERIFY(host.window->state().hasPanorama());
    const std::string firstSlice = host.movie().getVariable("ImageThumbnail0");
    const QImage stitched = screenshot(host, "3-stitched.png");
    const double difference = resultDifference(host, stitched);
    QVERIFY2(difference < 10, qPrintable(QString::number(difference)));

    // A second stitch hands over slices under the same names: the movie shows the new ones.
    QVERIFY(test::stitchByClicking(host));
    QCOMPARE(host.movie().getVariable("ImageThumbnail0"), firstSlice);
    QVERIFY(host.item("sliceRow")->width() > 0);

    // Cancel at the first progress report: no panorama, the progress display hidden.
    QVERIFY(test::stitchCancelledByClicking(host));
    QVERIFY(!host.window->state().hasPanorama());
    QVERIFY(test::stitchByClicking(host));

    // Save a JPEG, export a page and a viewer: each written, then opened or started.
    const std::filesystem::path out = host.folder / "Out put é";
    std::filesystem::create_directories(out);
    host.services.outputPaths = {(out / "pano.jpg").string()};
    QVERIFY(host.click("saveImageButton"));
    QTRY_COMPARE_WITH_TIMEOUT(host.services.opened.size(), 1u, 20000);
    QVERIFY(std::filesystem::file_size(out / "pano.jpg") > 0);
    host.services.outputPaths = {(out / "page.html").string()};
    QVERIFY(host.click("webPageButton"));
    QTRY_COMPARE_WITH_TIMEOUT(host.services.opened.size(), 2u, 20000);
    QVERIFY(std::filesystem::exists(host.services.opened[1]));
    host.services.outputPaths = {(out / "viewer.exe").string()};
    QVERIFY(host.click("viewerButton"));
    QTRY_VERIFY2_WITH_TIMEOUT(host.services.started.size() == 1u,
                              host.services.messageTexts().empty()
                                  ? "nothing started"
                                  : host.services.messageTexts().back().c_str(),
                              20000);
    QVERIFY(std::filesystem::file_size(out / "viewer.exe") >
            std::filesystem::file_size(test::programDir() / "viewer.dat"));

    // Project round trip through a path with spaces and non-ASCII letters.
    const std::string project = (out / "Reise nach Île #1.skl").string();
    host.services.fileChoices = {test::choiceOf({project})};
    QVERIFY(host.click("saveProjectButton"));
    QTRY_VERIFY(std::filesystem::exists(project));
    QVERIFY(!host.window->state().changed);
    QVERIFY(host.click("newButton"));
    QTRY_COMPARE(host.movie().getVariable("NumImagesToAlign"), std::string("0"));
    host.services.fileChoices = {test::choiceOf({project})};
    QVERIFY(host.click("openButton"));
    QTRY_COMPARE(host.movie().getVariable("NumImagesToAlign"), std::to_string(photos.size()));
    QCOMPARE(host.movie().getVariable("alignpath0"), photos[0]);

    // Unsaved changes: the close query asks; Cancel keeps the window open.
    QTRY_VERIFY(host.click("rotate0"));
    QTRY_VERIFY(host.window->state().changed);
    host.services.scriptedMessages.answers = {MessageAnswer::Cancel};
    QVERIFY(host.click("closeButton"));
    QTRY_VERIFY(host.services.messageTexts() ==
                std::vector<std::string>{app::texts::kProjectChanged});
    QVERIFY(host.window->isVisible());
  }

  // Paths with spaces, "#", "?" and non-ASCII letters reach the movie's images as file URLs.
  void unusualPathsShowTheirThumbnails() {
    TestHost host(/*show=*/true);
    const std::filesystem::path folder = host.folder / "Fotos #1 Über? Été";
    std::filesystem::create_directories(folder);
    // Small enough to be its own thumbnail: the movie loads it from that folder.
    const std::string photo = test::writeRampPhoto(folder / "Blick #2.jpg", 300, 200);
    host.services.fileChoices = {test::choiceOf({photo})};
    QVERIFY(host.click("addButton"));
    QTRY_VERIFY(host.item("thumbnail0") != nullptr);
    QTRY_COMPARE(host.item("thumbnail0")->property("status").toInt(), 1);  // Image.Ready
    QCOMPARE(host.movie().getVariable("ImageThumbnail0"), photo);
    QCOMPARE(host.movie().getVariable("FileName0"), std::string("Blick #2"));
  }

  // A right click never reaches the movie as a click: the program calls its labels instead.
  void rightClickCallsTheLabels() {
    TestHost host(/*show=*/true);
    QTest::mouseClick(&host.window->quickWidget(), Qt::RightButton, {}, QPoint(300, 300));
    QTRY_COMPARE(host.labelCount("onRightButtonDown"), 1);
    QCOMPARE(host.labelCount("onRightButtonUp"), 1);
    QTRY_VERIFY(host.item("contextMenu") != nullptr);
  }
};

SKYLACER_APP_TEST(QuiltraMovieTest);

#include "quiltra_movie_test.moc"
