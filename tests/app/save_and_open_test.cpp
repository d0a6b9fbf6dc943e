// SPDX-License-Identifier: GPL-3.0-or-later
// What the desktop program writes and opens: turned photos kept in the project, the status line
// naming a saved file, and the reason told when nothing could open a file.

#include <QQuickItem>
#include <QTest>
#include <cstdlib>
#include <fstream>

#include "app/associated_program.h"
#include "output/project.h"
#include "resources/app_texts.h"
#include "tests/app/test_host.h"
#include "tests/app/test_registry.h"
#include "tests/support/file_contents.h"
#include "tests/support/scoped_env.h"

using namespace skylacer;
using skylacer::test::givePanorama;
using skylacer::test::TestHost;

namespace {

void addPhotos(TestHost& host, const std::vector<std::string>& photos) {
  host.services.fileChoices = {test::choiceOf(photos)};
  QVERIFY(host.click("addButton"));
  QTRY_COMPARE(host.movie().getVariable("NumImagesToAlign"), std::to_string(photos.size()));
}

void saveProjectAs(TestHost& host, const std::string& project) {
  host.services.fileChoices = {test::choiceOf({project})};
  host.command("IDC_SAVEPROJECT");
}

}  // namespace

class SaveAndOpenTest : public QObject {
  Q_OBJECT

 private slots:
  // A turned photo used to be saved like an unturned one, and came back unturned.
  void rotationsSurviveTheProject() {
    TestHost host(/*show=*/true);
    const std::vector<std::string> photos = {test::writeRampPhoto(host.folder / "a.jpg", 300, 200),
                                             test::writeRampPhoto(host.folder / "b.jpg", 300, 200)};
    addPhotos(host, photos);
    if (QTest::currentTestFailed()) return;
    const std::string plain = (host.folder / "plain.skl").string();
    saveProjectAs(host, plain);

    // Clicked once only: every click turns the photo on.
    QTRY_VERIFY(host.item("rotate1") != nullptr);
    QVERIFY(host.click("rotate1"));
    QTRY_COMPARE(host.movie().getVariable("alignang1"), std::string("1"));
    QTRY_VERIFY(host.window->state().changed);
    const std::string turned = (host.folder / "turned.skl").string();
    saveProjectAs(host, turned);
    QVERIFY(test::fileBytes(turned) != test::fileBytes(plain));
    QVERIFY(!host.window->state().changed);

    host.command("IDS_NEWPROJECT");
    QTRY_COMPARE(host.movie().getVariable("NumImagesToAlign"), std::string("0"));
    host.services.fileChoices = {test::choiceOf({turned})};
    host.command("IDC_OPEN_WORKSPACE");
    QTRY_COMPARE(host.movie().getVariable("NumImagesToAlign"), std::string("2"));
    QCOMPARE(host.movie().getVariable("alignang0"), std::string("0"));
    QCOMPARE(host.movie().getVariable("alignang1"), std::string("1"));
    QTRY_VERIFY(host.item("thumbnail1") != nullptr);
    QCOMPARE(host.item("thumbnail1")->rotation(), 90.0);
    // Opened as saved: nothing to ask about on closing.
    QTest::qWait(50);
    QVERIFY(!host.window->state().changed);

    // Photos added afterwards come unturned, whatever the project's photos at their places were.
    host.command("IDS_NEWPROJECT");
    addPhotos(host, photos);
    if (QTest::currentTestFailed()) return;
    QCOMPARE(host.movie().getVariable("alignang1"), std::string("0"));
  }

  // Each save names its file in the status line; a movie used to be written without a word.
  void savedFilesAreNamed_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("filter");
    QTest::newRow("movie") << "pano.mov" << 2;
    QTest::newRow("picture") << "pano.jpg" << 1;
  }
  void savedFilesAreNamed() {
    QFETCH(QString, name);
    QFETCH(int, filter);
    TestHost host(/*show=*/true);
    givePanorama(host, 400, 100);
    const std::string path = (host.folder / name.toStdString()).string();
    host.services.outputPaths = {path};
    host.services.outputFilterIndex = filter;
    host.command("IDC_SAVEASIMAGE");
    QCOMPARE(host.services.messageTexts(), std::vector<std::string>{});
    QCOMPARE(host.services.opened, std::vector<std::string>{path});
    QCOMPARE(host.movie().getVariable("StatusText"), "Saved " + path);
    QCOMPARE(host.labelCount("ShowStatus"), 1);
    QTRY_VERIFY(host.item("statusText")
                    ->property("text")
                    .toString()
                    .endsWith(QString::fromStdString("Saved " + path)));
  }

  // xdg-open finding nothing to open a page with used to pass unnoticed.
  void failedOpeningIsTold() {
    test::TempDir tools;
    const std::filesystem::path opener = tools / "xdg-open";
    std::ofstream(opener) << "#!/bin/sh\nexit 3\n";
    std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
    test::ScriptedMessages messages;
    {
      const test::ScopedEnv path("PATH", tools.path().c_str());
      QVERIFY(app::openWithAssociatedProgram("/out/page.html", messages));
    }
    QTRY_COMPARE(messages.asked.size(), 1u);
    QCOMPARE(messages.asked[0].text, app::openFailedText("/out/page.html", 3));
    QVERIFY(messages.asked[0].text.find(app::texts::kOpenFailedNoProgram) != std::string::npos);

    // Without xdg-open at all the failure is told at once.
    test::TempDir empty;
    const test::ScopedEnv path("PATH", empty.path().c_str());
    QVERIFY(!app::openWithAssociatedProgram("/out/page.html", messages));
    QCOMPARE(messages.asked.size(), 2u);
    QVERIFY(messages.asked[1].text.find(app::texts::kOpenerMissing) != std::string::npos);
  }
};

SKYLACER_APP_TEST(SaveAndOpenTest);

#include "save_and_open_test.moc"
