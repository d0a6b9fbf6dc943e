// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop program never writes over the project's photos, and refuses photos whose headers
// claim more memory than the limit before it decodes any of them.

#include <QTest>
#include <filesystem>

#include "output/messages.h"
#include "platform/registry/application_settings.h"
#include "tests/app/test_host.h"
#include "tests/app/test_registry.h"
#include "tests/support/file_contents.h"
#include "tests/support/synth_imaging.h"

using namespace skylacer;
using skylacer::test::givePanorama;
using skylacer::test::listPhotos;
using skylacer::test::TestHost;

class OutputSafetyTest : public QObject {
  Q_OBJECT

 private slots:
  // An output onto a photo of the project used to replace it: the photos the movie shows and
  // those of the last stitch (gone from the movie since) are kept, also from the pictures a page
  // writes beside itself (the Java viewer's pano.jpg, the Flash viewer's pano1.jpg, ...).
  void outputsOverAPhotoAreRefused_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("filter");
    QTest::addColumn<QString>("photoName");
    QTest::addColumn<QString>("chosenName");
    QTest::addColumn<QString>("refusedName");
    QTest::addColumn<bool>("shownInTheMovie");
    QTest::newRow("JPEG") << "IDC_SAVEASIMAGE" << 1 << "p.jpg"
                          << "p.jpg"
                          << "p.jpg" << true;
    QTest::newRow("movie, photo of the last stitch") << "IDC_SAVEASIMAGE" << 2 << "p.jpg"
                                                     << "p.jpg"
                                                     << "p.jpg" << false;
    QTest::newRow("viewer program") << "IDC_EXPORTTOEXE" << 1 << "p.jpg"
                                    << "p.jpg"
                                    << "p.jpg" << true;
    QTest::newRow("Java page") << "IDC_EXPORTTOHTML" << 4 << "pano.jpg"
                               << "pano.html"
                               << "pano.jpg" << true;
    QTest::newRow("Flash page") << "IDC_EXPORTTOHTML" << 1 << "pano3.jpg"
                                << "pano.html"
                                << "pano<n>.jpg" << true;
  }
  void outputsOverAPhotoAreRefused() {
    QFETCH(QString, command);
    QFETCH(int, filter);
    QFETCH(QString, photoName);
    QFETCH(QString, chosenName);
    QFETCH(QString, refusedName);
    QFETCH(bool, shownInTheMovie);
    TestHost host;
    const std::string photo = test::writeRampPhoto(host.folder / photoName.toStdString(), 480, 120);
    const std::vector<std::uint8_t> photoBytes = test::fileBytes(photo);
    givePanorama(host, 480, 120);
    if (shownInTheMovie)
      listPhotos(host, {photo});
    else
      host.window->state().photoList = {photo};
    const std::string chosen = (host.folder / chosenName.toStdString()).string();
    host.services.outputPaths = {chosen};
    host.services.outputFilterIndex = filter;
    host.command(qPrintable(command));

    const std::string role = command == "IDC_SAVEASIMAGE"   ? "the image"
                             : command == "IDC_EXPORTTOEXE" ? "the viewer program"
                                                            : "the page " + chosen;
    const std::string failure =
        command == "IDC_EXPORTTOEXE"
            ? output::fileSaveFailedText(chosen)
            : output::imageSaveFailedText(imaging::ImagingStatus::Win32Error);
    QCOMPARE(host.services.messageTexts(),
             std::vector<std::string>{failure + "\n\ncannot write " +
                                      (host.folder / refusedName.toStdString()).string() + " (" +
                                      role + "): it is the input " + photo});
    QVERIFY(test::fileBytes(photo) == photoBytes);
    QVERIFY(chosen == photo || !std::filesystem::exists(chosen));
    QVERIFY(host.services.opened.empty() && host.services.started.empty());
    QCOMPARE(host.labelCount("HideProgress"), 1);
  }

  // Save project onto a photo's name used to replace the photo with the project.
  void aProjectOverAPhotoIsRefused() {
    TestHost host;
    const std::string photo = test::writeRampPhoto(host.folder / "p.jpg", 480, 120);
    const std::vector<std::uint8_t> photoBytes = test::fileBytes(photo);
    listPhotos(host, {photo});
    host.services.fileChoices = {test::choiceOf({photo})};
    host.command("IDC_SAVEPROJECT");
    QCOMPARE(
        host.services.messageTexts(),
        std::vector<std::string>{std::string(output::kProjectSaveFailed) + "\n\ncannot write " +
                                 photo + " (the project): it is the input " + photo});
    QVERIFY(test::fileBytes(photo) == photoBytes);
    QVERIFY(host.window->state().projectPath.empty());
  }

  // A hundred photos of a few hundred bytes, each claiming 23000 x 23000 pixels, are refused
  // from their headers: nothing is decoded, and the slices shown before stay as they were. The
  // limit is read from the program's own settings store.
  void photosPastTheMemoryLimitAreRefusedUndecoded() {
    TestHost host;
    host.services.scriptedMessages.answers = {tuning::MessageAnswer::Yes};
    listPhotos(host, {test::writeRampPhoto(host.folder / "one.jpg", 480, 120)});
    host.command("AlignImages");
    const std::string slice = host.movie().getVariable("ImageThumbnail0");
    const std::vector<std::uint8_t> sliceBytes = test::fileBytes(slice);
    QVERIFY(!sliceBytes.empty());
    host.services.scriptedMessages.asked.clear();
    const int progressReports = host.labelCount("SetProgress");

    // 200000 MB: above three quarters of the test machines' memory, below the bombs' estimate.
    registry::ApplicationSettings(host.userStore).writeInt("Settings", "Memory limit", 200000);
    const std::filesystem::path bomb = host.folder / "bomb.jpg";
    test::writeDecompressionBomb(bomb, 23000);
    listPhotos(host, std::vector<std::string>(100, bomb.string()));
    host.command("AlignImages");

    const std::vector<std::string> messages = host.services.messageTexts();
    QCOMPARE(messages.size(), 1u);
    QVERIFY2(messages[0].starts_with("the photos need about ") &&
                 messages[0].ends_with(" of memory, more than the limit of 209.7 GB (the setting "
                                       "\"Memory limit\" in MB under \"Settings\" raises it); "
                                       "nothing was written"),
             messages[0].c_str());
    // "Initializing..." and the end: no report of loading or aligning.
    QCOMPARE(host.labelCount("SetProgress"), progressReports + 2);
    QCOMPARE(host.labelCount("GetResult"), 1);
    QVERIFY(test::fileBytes(slice) == sliceBytes);
    QVERIFY(!host.window->state().hasPanorama());
  }
};

SKYLACER_APP_TEST(OutputSafetyTest);

#include "output_safety_test.moc"
