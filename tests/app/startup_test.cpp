// SPDX-License-Identifier: GPL-3.0-or-later
// The start of the program: the movie search, a movie that does not compile, the command line.

#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <fstream>

#include "app/command_line.h"
#include "app/movie_files.h"
#include "app/quiltra_app.h"
#include "app/termination_signals.h"
#include "tests/app/test_host.h"
#include "tests/app/test_registry.h"

using namespace skylacer;
using tuning::MessageAnswer;

class StartupTest : public QObject {
  Q_OBJECT

 private slots:
  void movieNames() {
    QCOMPARE(app::movieFileName("quiltra.swf"), std::string("quiltra.qml"));
    QCOMPARE(app::movieFileName("Other.SWF"), std::string("Other.qml"));
    QCOMPARE(app::movieFileName("mine.qml"), std::string("mine.qml"));
    const std::filesystem::path program = "/opt/Tool/bin";
    QCOMPARE(app::firstMovieCandidate(program, "a.qml"),
             std::filesystem::path("/opt/Tool/bin/interfaces/a.qml"));
    QCOMPARE(app::secondMovieCandidate(program, "a.qml"),
             std::filesystem::path("/opt/Tool/interfaces/a.qml"));
  }

  // Missing in both places: the question names the second candidate; No ends with 0.
  void missingMovieDeclined() {
    test::TempDir folder;
    std::filesystem::create_directories(folder / "bin");
    registry::SettingsStore user(folder / "user.db", registry::SettingsStore::Access::ReadWrite);
    const registry::SettingsStore machine(folder / "m.db",
                                          registry::SettingsStore::Access::ReadOnly);
    test::ScriptedServices services;
    QCOMPARE(app::runPanorama(services, user, machine, {"panorama"}, folder / "bin"), 0);
    QCOMPARE(services.messageTexts().size(), 1u);
    QVERIFY(services.messageTexts()[0].find((folder / "interfaces/quiltra.qml").string()) !=
            std::string::npos);
  }

  // A picked file that cannot be opened is asked about again, with that path.
  void locateAsksAgainAfterABadPick() {
    test::TempDir folder;
    test::ScriptedServices services;
    services.scriptedMessages.answers = {MessageAnswer::Yes, MessageAnswer::Yes};
    const std::string picked = (folder / "gone.qml").string();
    const std::string good = (test::interfacesDir() / "quiltra.qml").string();
    services.fileChoices = {test::choiceOf({picked}), test::choiceOf({good})};
    const auto located = app::locateMovieFile(folder.path(), "quiltra.qml", services);
    QVERIFY(located && *located == good);
    QCOMPARE(services.messageTexts().size(), 2u);
    QVERIFY(services.messageTexts()[1].find(picked) != std::string::npos);
  }

  void brokenMovieEndsWithItsErrors() {
    test::TempDir folder;
    std::filesystem::create_directories(folder / "interfaces");
    std::ofstream(folder / "interfaces/quiltra.qml") << "import QtQuick\nItem {\n  width: \n";
    registry::SettingsStore user(folder / "user.db", registry::SettingsStore::Access::ReadWrite);
    const registry::SettingsStore machine(folder / "m.db",
                                          registry::SettingsStore::Access::ReadOnly);
    test::ScriptedServices services;
    QCOMPARE(app::runPanorama(services, user, machine, {"panorama"}, folder.path()), 1);
    QCOMPARE(services.messageTexts().size(), 1u);
    QVERIFY2(services.messageTexts()[0].find("quiltra.qml:4") != std::string::npos,
             services.messageTexts()[0].c_str());
  }

  // SIGTERM ends the event loop normally, so the window's destructor removes its files.
  void terminationSignalEndsTheLoop() {
    const app::TerminationSignals handlers;
    QEventLoop loop;
    QTimer::singleShot(0, [] { ::raise(SIGTERM); });
    QTimer::singleShot(5000, &loop, [&loop] { loop.exit(2); });
    QCOMPARE(loop.exec(), 0);
  }

  void commandLineProject() {
    QCOMPARE(app::startFiles({"panorama", "\"/home/a/My", "Trip.skl\""}).project,
             std::string("/home/a/My Trip.skl"));
    QCOMPARE(app::startFiles({"panorama"}).project, std::string());
  }
};

SKYLACER_APP_TEST(StartupTest);

#include "startup_test.moc"
