// SPDX-License-Identifier: GPL-3.0-or-later
// The commands of the movie on the real window and movie, with scripted dialogs: the stitch's
// early ends and slices, adding photos, the movie's settings, the version check, the tuner, the
// project save and the close query.

#include <QCursor>
#include <QQuickWidget>
#include <QTest>
#include <cmath>
#include <fstream>
#include <numeric>

#include "app/help_links.h"
#include "app/photo_commands.h"
#include "output/image.h"
#include "output/project.h"
#include "platform/imaging/bitmap.h"
#include "platform/imaging/photo_metadata.h"
#include "resources/app_texts.h"
#include "tests/app/test_host.h"
#include "tests/app/test_registry.h"
#include "tests/support/file_contents.h"
#include "tests/support/samples.h"
#include "tuning/profiles.h"

using namespace skylacer;
using skylacer::test::listPhotos;
using skylacer::test::TestHost;
using skylacer::test::writeRampPhoto;
using tuning::MessageAnswer;

namespace {

int jpegWidth(const std::string& path) {
  return imaging::Bitmap::fromFile(path)->width();
}

}  // namespace

class CommandsTest : public QObject {
  Q_OBJECT

 private slots:
  void stitchWithoutPhotos_data() {
    QTest::addColumn<QString>("count");
    QTest::newRow("zero") << "0";
    QTest::newRow("negative") << "-3";
    QTest::newRow("not a number") << "many";
  }
  void stitchWithoutPhotos() {
    QFETCH(QString, count);
    TestHost host;
    host.window->state().panorama.assign(30, 1);
    host.window->state().panoramaSize = {5, 2};
    host.movie().SetVariable("NumImagesToAlign", count);
    host.command("AlignImages");
    QCOMPARE(host.services.messageTexts(), std::vector<std::string>{app::texts::kNoPhotos});
    QCOMPARE(host.labelCount("HideProgress"), 1);
    QVERIFY(!host.window->state().hasPanorama());
    QVERIFY(host.window->state().photoList.empty());
  }

  void onePhotoAnsweredNo() {
    TestHost host;
    listPhotos(host, {writeRampPhoto(host.folder / "one.jpg", 300, 200)});
    host.command("AlignImages");
    QCOMPARE(host.services.messageTexts(), std::vector<std::string>{app::texts::kOnePhoto});
    QCOMPARE(host.services.scriptedMessages.asked[0].kind, tuning::MessageKind::YesNoDefaultNo);
    QVERIFY(!host.window->state().hasPanorama());
    QCOMPARE(host.labelCount("HideProgress"), 1);
    QCOMPARE(host.labelCount("GetResult"), 0);
  }

  // Yes at 90 degrees: the photo is the panorama, 2500 x 800 gives slices of 1024, 1024, 452.
  void onePhotoAnsweredYesIsSliced() {
    TestHost host;
    host.services.scriptedMessages.answers = {MessageAnswer::Yes};
    host.services.fieldOfViewDegrees = 90;
    listPhotos(host, {writeRampPhoto(host.folder / "wide photo #1.jpg", 2500, 800)});
    host.command("AlignImages");
    const app::WorkingState& state = host.window->state();
    QVERIFY(state.hasPanorama());
    QCOMPARE(state.fieldOfView, 90 * output::kProgramPi / 180);
    QCOMPARE(host.movie().getVariable("NumImagesToAdd"), std::string("3"));
    QCOMPARE(host.movie().getVariable("ImagesHeight"), std::string("800"));
    const int widths[] = {1024, 1024, 452};
    for (int k = 0; k < 3; ++k) {
      const std::string slice = host.movie().getVariable("ImageThumbnail" + std::to_string(k));
      QVERIFY2(slice.starts_with(host.window->sliceFolder().string()), slice.c_str());
      QCOMPARE(jpegWidth(slice), widths[k]);
    }
    QCOMPARE(host.labelCount("GetResult"), 1);
    QCOMPARE(host.labelCount("HideProgress"), 1);
  }

  // 8000 x 2048 is shown 4000 x 1024: three slices of 1024 and one of 928.
  void tallPanoramaIsShownAt1024High() {
    TestHost host;
    host.services.scriptedMessages.answers = {MessageAnswer::Yes};
    listPhotos(host, {writeRampPhoto(host.folder / "tall.jpg", 8000, 2048)});
    host.command("AlignImages");
    QCOMPARE(host.movie().getVariable("NumImagesToAdd"), std::string("4"));
    QCOMPARE(host.movie().getVariable("ImagesHeight"), std::string("1024"));
    QCOMPARE(jpegWidth(host.movie().getVariable("ImageThumbnail3")), 4000 - 3 * 1024);
  }

  // A second "AlignImages" arriving while the stitch reports progress is ignored.
  void stitchIgnoresASecondStitch() {
    TestHost host;
    host.services.scriptedMessages.answers = {MessageAnswer::Yes};
    listPhotos(host, {writeRampPhoto(host.folder / "one.jpg", 600, 400)});
    bool sent = false;
    connect(&host.movie(), &app::CShockwaveFlash::frameAction, this,
            [&](const QString&, const QString&, const QString& label) {
              if (label == QLatin1String("SetProgress") && !sent) {
                sent = true;
                host.command("AlignImages");
                host.command("IDC_SAVEASIMAGE");
              }
            });
    host.command("AlignImages");
    QVERIFY(sent);
    QCOMPARE(host.labelCount("HideProgress"), 1);
    QCOMPARE(host.labelCount("GetResult"), 1);
    QVERIFY(host.services.fileRequests.empty());
  }

  // An undecodable photo among good ones is named with its imaging status; nothing is stitched.
  void unreadablePhotoIsNamed() {
    TestHost host;
    const auto photos = test::samplePhotos("mountains");
    const std::filesystem::path broken = host.folder / "broken.jpg";
    std::ofstream(broken) << "not a picture";
    listPhotos(host, {photos[0].string(), broken.string(), photos[1].string()});
    host.command("AlignImages");
    const std::string expected = "Failed to read the photo:\n" + broken.string() +
                                 "\n\nError code: 13 (not a JPEG or PNG picture)";
    QCOMPARE(host.services.messageTexts(), std::vector<std::string>{expected});
    QVERIFY(!host.window->state().hasPanorama());
    QCOMPARE(host.labelCount("HideProgress"), 1);
  }

  // A photo cut short opens (its header is whole) but stops the stitch when its pixels are
  // decoded; it is named with the reason, and the previous panorama is not kept.
  void truncatedPhotoStopsTheStitch() {
    TestHost host;
    const auto photos = test::samplePhotos("mountains");
    const std::filesystem::path cut = host.folder / "cut.jpg";
    std::vector<std::uint8_t> bytes = test::fileBytes(photos[1]);
    bytes.resize(bytes.size() / 10);
    test::writeFile(cut, bytes);
    listPhotos(host, {photos[0].string(), cut.string(), photos[2].string()});
    host.command("AlignImages");
    const std::string expected = "Failed to read the photo:\n" + cut.string() +
                                 "\n\nError code: 1 (the file ends before the picture does)";
    QCOMPARE(host.services.messageTexts(), std::vector<std::string>{expected});
    QVERIFY(!host.window->state().hasPanorama());
    QCOMPARE(host.labelCount("GetResult"), 0);
    QCOMPARE(host.labelCount("HideProgress"), 1);
  }

  // The panorama keeps the first photo's colour profile and capture date for its save.
  void stitchKeepsTheFirstPhotosMetadata() {
    TestHost host;
    const auto photos = test::samplePhotos("mountains");
    imaging::PhotoMetadata metadata;
    metadata.iccProfile.assign(500, 0x42);
    metadata.exif.dateTimeOriginal = "2022:12:24 10:11:12";
    const std::filesystem::path first = host.folder / "first.jpg";
    test::writeFile(first, imaging::withCarriedMetadata(test::fileBytes(photos[0]), metadata));
    listPhotos(host, {first.string(), photos[1].string(), photos[2].string()});
    host.command("AlignImages");
    QVERIFY(host.window->state().hasPanorama());
    const output::PanoramaView view = host.window->state().panoramaView();
    QVERIFY(view.metadata != nullptr);
    QCOMPARE(view.metadata->iccProfile, metadata.iccProfile);
    QCOMPARE(view.metadata->exif.dateTimeOriginal, metadata.exif.dateTimeOriginal);
  }

  // Photos that share no view are refused with both named; "Stitch anyway" stitches them, Cancel
  // leaves no panorama.
  void photosThatDoNotOverlapOfferStitchAnyway() {
    const auto trail = test::samplePhotos("trail");
    for (const MessageAnswer answer : {MessageAnswer::Cancel, MessageAnswer::Yes}) {
      TestHost host;
      host.services.scriptedMessages.answers = {answer};
      listPhotos(host, {trail[0].string(), trail[2].string()});
      host.command("AlignImages");
      QCOMPARE(host.services.messageTexts(),
               std::vector<std::string>{"Photos 1 and 2 (IMG_0001.jpg, IMG_0003.jpg) share too "
                                        "little detail to align."});
      QCOMPARE(host.services.scriptedMessages.asked[0].kind, tuning::MessageKind::StitchAnyway);
      QCOMPARE(host.window->state().hasPanorama(), answer == MessageAnswer::Yes);
      QCOMPARE(host.labelCount("HideProgress"), 1);
    }
  }

  // Photos listed out of order are refused with the order found; "Stitch in the order found"
  // puts the movie's list in that order, as the user would by moving them (the project counts as
  // changed), and shows the panorama of the series in that order.
  void aShuffledSeriesIsStitchedInTheOrderFound() {
    TestHost host;
    const std::vector<std::string> ordered = test::samplePhotoPaths();
    QCOMPARE(ordered.size(), std::size_t{4});
    host.services.fileChoices = {test::choiceOf({ordered[2], ordered[0], ordered[3], ordered[1]})};
    host.command("IDC_ADD_IMAGES");
    host.window->state().changed = false;
    host.services.scriptedMessages.answers = {MessageAnswer::No};
    QVERIFY(test::stitchByClicking(host));
    QCOMPARE(host.services.messageTexts(),
             std::vector<std::string>{"The photos are not in order from left to right: the order "
                                      "found is 2 4 1 3."});
    QCOMPARE(host.services.scriptedMessages.asked[0].kind, tuning::MessageKind::StitchInFoundOrder);
    QCOMPARE(app::moviePhotoList(host.movie()).paths, ordered);
    QCOMPARE(host.window->state().photoList, ordered);
    QVERIFY(host.window->state().changed);
    QVERIFY(host.window->state().hasPanorama());
    QVERIFY(host.window->quickWidget().rootObject()->property("hasResult").toBool());
    QCOMPARE(host.labelCount("GetResult"), 1);
    QCOMPARE(host.labelCount("HideProgress"), 1);
  }

  void selectionOrder_data() {
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QStringList>("ordered");
    QTest::newRow("focus first") << QStringList{"c", "a", "b"} << QStringList{"a", "b", "c"};
    QTest::newRow("two") << QStringList{"b", "a"} << QStringList{"b", "a"};
    QTest::newRow("ascending") << QStringList{"a", "b", "c"} << QStringList{"a", "b", "c"};
    QTest::newRow("descending") << QStringList{"c", "b", "a"} << QStringList{"c", "b", "a"};
  }
  void selectionOrder() {
    QFETCH(QStringList, listed);
    QFETCH(QStringList, ordered);
    std::vector<std::string> paths;
    for (const QString& path : listed) paths.push_back(path.toStdString());
    QStringList result;
    for (const std::string& path : app::orderedSelection(paths))
      result << QString::fromStdString(path);
    QCOMPARE(result, ordered);
  }

  void addedPhotosGoToTheMovie() {
    TestHost host;
    const auto dir = host.folder.path();
    const std::string c = writeRampPhoto(dir / "c.jpg", 500, 300);
    const std::string a = writeRampPhoto(dir / "a.jpg", 500, 300);
    const std::string b = writeRampPhoto(dir / "b.jpg", 500, 300);
    host.services.fileChoices = {test::choiceOf({c, a, b})};
    host.command("IDC_ADD_IMAGES");
    QCOMPARE(host.movie().getVariable("NumImagesToAdd"), std::string("3"));
    QCOMPARE(host.movie().getVariable("ImagePathToAdd0"), a);
    QCOMPARE(host.movie().getVariable("ImagePathToAdd2"), c);
    QCOMPARE(host.movie().getVariable("FileName1"), std::string("b"));
    QCOMPARE(host.movie().getVariable("ImageWidth1"), std::string("500"));
    QCOMPARE(host.labelCount("AddImages"), 1);
    QVERIFY(host.window->state().changed);
    QCOMPARE(registry::ApplicationSettings(host.userStore).readString("Config", "LastPath", ""),
             dir.string());
  }

  // Thumbnails and slices live in temporary files that go with the window.
  void temporaryFilesGoWithTheWindow() {
    TestHost host;
    const std::vector<std::string> photos = test::samplePhotoPaths();
    host.services.fileChoices = {test::choiceOf(photos)};
    host.command("IDC_ADD_IMAGES");
    const std::vector<std::filesystem::path> thumbnails = host.window->state().thumbnails.files();
    QCOMPARE(thumbnails.size(), photos.size());
    for (const auto& thumbnail : thumbnails) QVERIFY(std::filesystem::exists(thumbnail));
    const std::filesystem::path slices = host.window->sliceFolder();
    QVERIFY(std::filesystem::is_directory(slices));
    host.window.reset();
    for (const auto& thumbnail : thumbnails) QVERIFY(!std::filesystem::exists(thumbnail));
    QVERIFY(!std::filesystem::exists(slices));
  }

  // Opening a project over unsaved changes asks first; Cancel opens nothing.
  void openAsksAboutUnsavedChanges() {
    TestHost host;
    host.window->state().changed = true;
    host.services.scriptedMessages.answers = {MessageAnswer::Cancel};
    host.command("IDC_OPEN_WORKSPACE");
    QCOMPARE(host.services.messageTexts(), std::vector<std::string>{app::texts::kProjectChanged});
    QVERIFY(host.services.fileRequests.empty());
  }

  void movieSettings() {
    TestHost host;
    host.command("GetProfileString", "neverStored");
    QCOMPARE(host.movie().getVariable("neverStored"), std::string("false"));
    QCOMPARE(host.labelCount("SetProfileString"), 1);
    host.movie().setVariable("ProfileString", "7 days");
    host.command("SetProfileString", "Keep");
    host.command("getprofilestring", "Keep");
    QCOMPARE(host.movie().getVariable("Keep"), std::string("7 days"));
    QCOMPARE(registry::ApplicationSettings(host.userStore).readString("quiltra.swf", "Keep", ""),
             std::string("7 days"));
  }

  void interfaceVersion_data() {
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("ends");
    QTest::newRow("100") << "100" << false;
    QTest::newRow("abc") << "abc" << false;
    QTest::newRow("101") << "101" << true;
  }
  void interfaceVersion() {
    QFETCH(QString, version);
    QFETCH(bool, ends);
    TestHost host;
    host.command("ID_CHECKVERSION", version);
    QCOMPARE(host.services.exitCodes, ends ? std::vector<int>{0} : std::vector<int>{});
    QCOMPARE(host.services.scriptedMessages.asked.size(), ends ? 1u : 0u);
    if (ends)
      QCOMPARE(host.services.scriptedMessages.asked[0].kind, tuning::MessageKind::YesNoStop);
  }

  // The profiles are reloaded with the tuner's index, not the movie's.
  void tunerIndexIsHandedOn() {
    TestHost host;
    std::vector<tuning::ParamProfile> profiles;
    for (const char* name : {"Wide", "Tele", "Night"})
      profiles.push_back({name, "", tuning::templateRecord()});
    QVERIFY(tuning::saveProfiles(host.userStore, profiles));
    host.command("fillalgonames");
    host.movie().setVariable("curparam", "1");
    host.services.tunerIndex = 2;
    host.command("IDC_OPTIONS");
    QCOMPARE(host.services.tunerStartedWith, std::vector<int>{1});
    QCOMPARE(host.movie().getVariable("curparam"), std::string("2"));
    QCOMPARE(host.movie().getVariable("namemax"), std::string("3"));
    QVERIFY(host.frameActions.contains("TPlay /page "));
  }

  // The project holds the photos the movie shows; a save records its path.
  void projectSaveWritesTheMoviesPhotos() {
    TestHost host;
    const std::string project = (host.folder / "Ferien Über #2.skl").string();
    listPhotos(host, {"/photos/b.jpg", "/photos/a.jpg"});
    host.services.fileChoices = {test::choiceOf({project})};
    host.command("IDC_SAVEPROJECT");
    const output::ProjectFile read = output::readProjectFile(test::fileBytes(project));
    QCOMPARE(read.storedPaths, (std::vector<std::string>{"/photos/b.jpg", "/photos/a.jpg"}));
    QCOMPARE(host.window->state().projectPath, project);
  }

  void outputsNeedAPanorama() {
    TestHost host;
    for (const char* command : {"IDC_SAVEASIMAGE", "IDC_EXPORTTOHTML", "IDC_EXPORTTOEXE"}) {
      host.command(command);
    }
    QCOMPARE(host.services.messageTexts(), std::vector<std::string>(3, app::texts::kNoPanorama));
    QVERIFY(host.services.fileRequests.empty());
  }

  // A close arriving while the stitch runs cancels it, and the window closes once it has ended.
  void closeDuringAStitch() {
    TestHost host(/*show=*/true);
    listPhotos(host, test::samplePhotoPaths());
    bool sent = false;
    connect(&host.movie(), &app::CShockwaveFlash::frameAction, this,
            [&](const QString&, const QString&, const QString& label) {
              if (label == QLatin1String("SetProgress") && !sent) {
                sent = true;
                host.command("IDC_CLOSE");
                QVERIFY(host.window->isVisible());
              }
            });
    host.command("AlignImages");
    QVERIFY(sent);
    QVERIFY(!host.window->state().hasPanorama());
    QTRY_VERIFY(!host.window->isVisible());
  }

  // The maximise flag flips on every command, whatever happened to the window in between.
  void maximiseFlipsItsOwnFlag() {
    TestHost host(/*show=*/true);
    host.command("IDC_MAXIMIZE");
    QTRY_VERIFY(host.window->isMaximized());
    host.window->showNormal();
    QTRY_VERIFY(!host.window->isMaximized());
    host.command("IDC_MAXIMIZE");
    QTest::qWait(50);
    QVERIFY(!host.window->isMaximized());
    host.command("IDC_MAXIMIZE");
    QTRY_VERIFY(host.window->isMaximized());
  }

  void activationDrivesTheTitleBar() {
    TestHost host(/*show=*/true);
    host.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(host.window.get()));
    QTRY_VERIFY(host.frameActions.contains("TGotoLabel /TitleBar Active"));
  }

  // The window follows the cursor while the title is dragged, holding the grab point (whose
  // vertical part is at least 3) under it; the left button's release ends the drag.
  void titleDragMovesTheWindow() {
    TestHost host(/*show=*/true);
    const QPoint start = host.window->pos();
    QCursor::setPos(host.window->mapToGlobal(QPoint(50, 1)));
    if (QCursor::pos() != host.window->mapToGlobal(QPoint(50, 1)))
      QSKIP("this platform cannot place the cursor");
    host.command("DRAG_TITLE_BEGIN");
    QVERIFY(host.window->dragging());
    QCursor::setPos(QCursor::pos() + QPoint(30, 40));
    QTest::mouseMove(&host.window->quickWidget(), QPoint(80, 41));
    QTRY_COMPARE(host.window->pos(), start + QPoint(30, 38));
    QTest::mouseRelease(&host.window->quickWidget(), Qt::LeftButton, {}, QPoint(80, 41));
    QVERIFY(!host.window->dragging());
  }

  // Help opens our pages or the support address; other arguments do nothing.
  void helpOpensPagesAndShortcuts() {
    TestHost host;
    host.command("Help", "support");
    host.command("Help", "Content");
    host.command("Help", "Index");
    host.command("Help", "Elsewhere");
    QCOMPARE(host.services.opened.size(), 3u);
    QCOMPARE(host.services.opened[0], std::string("https://oskelvind.example/skylacer/support/"));
    QVERIFY(QString::fromStdString(host.services.opened[1]).endsWith("/help/index.html"));
    QVERIFY(QString::fromStdString(host.services.opened[2]).endsWith("/help/keywords.html"));

    std::ofstream(host.folder / "no address.url") << "[InternetShortcut]\r\nIconIndex=0\r\n";
    QVERIFY(!app::internetShortcutAddress(host.folder / "no address.url"));
    QVERIFY(!app::internetShortcutAddress(host.folder / "missing.url"));
  }

  // Escape is no way out past the close query.
  void escapeKeepsTheWindow() {
    TestHost host(/*show=*/true);
    QTest::keyClick(&host.window->quickWidget(), Qt::Key_Escape);
    QTest::keyClick(host.window.get(), Qt::Key_Escape);
    QVERIFY(host.window->isVisible());
  }

  // A save that fails opens nothing.
  void failedSaveOpensNothing() {
    TestHost host;
    app::WorkingState& state = host.window->state();
    state.panoramaSize = {64, 32};
    state.panorama.assign(64 * 32 * 3, 90);
    host.services.outputPaths = {(host.folder / "no such folder/pano.jpg").string()};
    host.command("IDC_SAVEASIMAGE");
    QCOMPARE(host.services.scriptedMessages.asked.size(), 1u);
    QVERIFY(host.services.opened.empty());
    QCOMPARE(host.labelCount("HideProgress"), 1);
  }

  void closeQuery() {
    TestHost host;
    QVERIFY(host.window->closeQuery());  // nothing changed: no question

    host.window->state().changed = true;
    host.services.scriptedMessages.answers = {MessageAnswer::Cancel, MessageAnswer::No};
    QVERIFY(!host.window->closeQuery());
    QVERIFY(host.window->closeQuery());

    // Yes without a project path: the save dialog; cancelled, the window and work stay.
    host.services.scriptedMessages.answers = {MessageAnswer::Yes};
    QVERIFY(!host.window->closeQuery());
    // A save that fails keeps them too.
    host.services.scriptedMessages.answers = {MessageAnswer::Yes};
    host.services.fileChoices = {test::choiceOf({(host.folder / "missing/p.skl").string()})};
    QVERIFY(!host.window->closeQuery());
    QVERIFY(host.window->state().changed);
    // A save that works lets the caller go on, and later saves go to that project.
    const std::string project = (host.folder / "p.skl").string();
    host.services.scriptedMessages.answers = {MessageAnswer::Yes};
    host.services.fileChoices = {test::choiceOf({project})};
    QVERIFY(host.window->closeQuery());
    QVERIFY(!host.window->state().changed);
    QCOMPARE(host.window->state().projectPath, project);
    QVERIFY(registry::ApplicationSettings(host.userStore).readBinary("settings", "windowrect"));
  }
};

SKYLACER_APP_TEST(CommandsTest);

#include "commands_test.moc"
