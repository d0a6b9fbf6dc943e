// SPDX-License-Identifier: GPL-3.0-or-later
// The program among the desktop's: --help and --version in a terminal without a display, photos
// opened from a file manager, and the window named as its desktop entry and metainfo say.

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include "app/command_line.h"
#include "app/photo_commands.h"
#include "app/quiltra_app.h"
#include "platform/registry/settings_location.h"
#include "resources/version.h"
#include "tests/app/test_host.h"
#include "tests/app/test_registry.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

using namespace skylacer;

namespace {

struct Run {
  int exitCode = -1;
  QByteArray out;
  QByteArray err;
};

// Runs the built program with no display at all, as from a bare terminal.
Run runPanorama(const QStringList& arguments, const QString& outputFile = QString()) {
  QProcess process;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
    environment.remove(QString::fromLatin1(name));
  process.setProcessEnvironment(environment);
  if (!outputFile.isEmpty()) process.setStandardOutputFile(outputFile);
  process.start(QString::fromStdString((test::programDir() / "panorama").string()), arguments);
  if (!process.waitForFinished(20000)) process.kill();
  return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
          process.readAllStandardOutput(), process.readAllStandardError()};
}

// The value of `key` in the desktop entry's main group.
QString desktopEntryValue(const QString& key) {
  QFile file(QStringLiteral(SKYLACER_TEST_DESKTOP_ENTRY));
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return QString();
  while (!file.atEnd()) {
    const QString line = QString::fromUtf8(file.readLine()).trimmed();
    if (line.startsWith(key + QLatin1Char('='))) return line.mid(key.size() + 1);
  }
  return QString();
}

}  // namespace

class DesktopIntegrationTest : public QObject {
  Q_OBJECT

 private slots:
  // --help used to start the window and report "Failed to read the project file".
  void helpAndVersionAnswerOnStdout() {
    for (const QString& option : {QStringLiteral("--help"), QStringLiteral("-h")}) {
      const Run help = runPanorama({option});
      QCOMPARE(help.exitCode, 0);
      QVERIFY2(help.out.startsWith("Usage: panorama [PROJECT]\n"), help.out.constData());
      QVERIFY2(help.err.isEmpty(), help.err.constData());
    }
    const Run version = runPanorama({QStringLiteral("--version")});
    QCOMPARE(version.exitCode, 0);
    QCOMPARE(version.out, QByteArray("panorama (Skylacer 3) ") + kVersion + '\n');

    // Output that cannot be written is a failure, told on stderr.
    const Run full = runPanorama({QStringLiteral("--help")}, QStringLiteral("/dev/full"));
    QCOMPARE(full.exitCode, 1);
    QVERIFY2(full.err.contains("cannot write to standard output"), full.err.constData());
  }

  // Photos are known by their bytes, whatever their names; one argument that is not a photo
  // makes the whole line a project path, as before.
  void photoArgumentsAreTold() {
    test::TempDir folder;
    const std::string jpeg = test::writeRampPhoto(folder / "a.JPG", 64, 48);
    const std::string png = (folder / "b.picture").string();
    QImage picture(32, 24, QImage::Format_RGB888);
    picture.fill(Qt::darkCyan);
    QVERIFY(picture.save(QString::fromStdString(png), "PNG"));
    const std::string text = (folder / "notes.jpg").string();
    QFile notes(QString::fromStdString(text));
    QVERIFY(notes.open(QIODevice::WriteOnly) && notes.write("not a photo") > 0);
    notes.close();

    const auto q = [](const std::string& path) { return QString::fromStdString(path); };
    const app::StartFiles photos = app::startFiles({"panorama", q(jpeg), q(png)});
    QCOMPARE(photos.photos, (std::vector<std::string>{jpeg, png}));
    QCOMPARE(photos.project, std::string());

    // Given from a terminal, relative to its folder.
    const QString before = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(folder.path().string()));
    const app::StartFiles relative = app::startFiles({"panorama", "a.JPG"});
    QDir::setCurrent(before);
    QCOMPARE(relative.photos, std::vector<std::string>{jpeg});

    const app::StartFiles mixed = app::startFiles({"panorama", q(jpeg), q(text)});
    QVERIFY(mixed.photos.empty());
    QCOMPARE(mixed.project, jpeg + " " + text);
    const app::StartFiles missing =
        app::startFiles({"panorama", q((folder / "gone.jpg").string())});
    QVERIFY(missing.photos.empty());
  }

  void photoArgumentsStartANewProject() {
    test::TempDir folder;
    const std::vector<std::string> photos = {test::writeRampPhoto(folder / "a.jpg", 300, 200),
                                             test::writeRampPhoto(folder / "b.jpg", 300, 200)};
    test::TestHost host(/*show=*/false, app::StartFiles{{}, photos});
    QTRY_COMPARE(host.movie().getVariable("NumImagesToAlign"), std::string("2"));
    QCOMPARE(app::moviePhotoList(host.movie()).paths, photos);
    QCOMPARE(host.window->state().projectPath, std::string());
    // Unsaved: closing asks about the new project.
    QVERIFY(host.window->state().changed);
  }

  // The desktop matches the window to its entry by the desktop file name (Wayland) or the
  // window class (X11); Qt's own folders sit under the settings folder's names.
  void identityMatchesTheDesktopEntry() {
    test::TempDir folder;
    const test::ScopedEnv config("XDG_CONFIG_HOME", (folder / "config").c_str());
    const test::ScopedEnv cache("XDG_CACHE_HOME", (folder / "cache").c_str());
    const test::ScopedEnv settings("SKYLACER_USER_SETTINGS", nullptr);
    app::setApplicationIdentity();

    QCOMPARE(QGuiApplication::desktopFileName() + QStringLiteral(".desktop"),
             QFileInfo(QStringLiteral(SKYLACER_TEST_DESKTOP_ENTRY)).fileName());
    QCOMPARE(desktopEntryValue(QStringLiteral("StartupWMClass")),
             QCoreApplication::applicationName());
    // A file manager opens projects and photos with it, all photos of a selection at once.
    const QStringList types = desktopEntryValue(QStringLiteral("MimeType")).split(';');
    for (const char* type : {"application/x-skylacer-project", "image/jpeg", "image/png"})
      QVERIFY2(types.contains(QLatin1String(type)), type);
    QVERIFY(desktopEntryValue(QStringLiteral("Exec")).endsWith(QLatin1String(" %F")));
    QCOMPARE(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation).toStdString(),
             registry::userSettingsFile().parent_path().string());
    QCOMPARE(QStandardPaths::writableLocation(QStandardPaths::CacheLocation).toStdString(),
             (folder / "cache/Oskelvind/Skylacer 3").string());
  }
};

SKYLACER_APP_TEST(DesktopIntegrationTest);

#include "desktop_integration_test.moc"
