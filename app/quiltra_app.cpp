#include "app/quiltra_app.h"

#include <QLibraryInfo>
#include <QVersionNumber>
#include <clocale>
#include <cstdio>

#include "app/movie_files.h"
#include "app/quiltra_dlg.h"
#include "app/termination_signals.h"
#include "resources/app_texts.h"

namespace skylacer::app {

namespace {
const QVersionNumber kLeastQt(6, 4);
}  // namespace

CQuiltraApp::CQuiltraApp(int& argc, char** argv) : QApplication(argc, argv) {
  // Qt has just set the process locale from the environment.
  std::setlocale(LC_NUMERIC, "C");
  setApplicationName(QString::fromUtf8(texts::kWindowTitle));
  setOrganizationName(QStringLiteral("Oskelvind"));
  setWindowIcon(QIcon(QStringLiteral(":/skylacer/panorama.png")));
}

std::string commandLineProject(const QStringList& arguments) {
  QString project = arguments.mid(1).join(QLatin1Char(' '));
  project.remove(QLatin1Char('"'));
  return project.toStdString();
}

int runPanorama(DesktopServices& services, registry::SettingsStore& userStore,
                const registry::SettingsStore& machineStore, const QStringList& arguments,
                const std::filesystem::path& programFolder) {
  if (QLibraryInfo::version() < kLeastQt) {
    services.messages().ask(
        QString::fromUtf8(texts::kQtTooOld).arg(QLibraryInfo::version().toString()).toStdString(),
        tuning::MessageKind::Error);
    return 0;
  }
  if (const auto missing = missingQmlModuleMessage()) {
    services.messages().ask(*missing, tuning::MessageKind::Error);
    return 0;
  }

  CQuiltraDlg window(HostEnvironment{services, userStore, machineStore, programFolder});
  const auto moviePath =
      locateMovieFile(programFolder, movieFileName(window.interfaceFile()), services);
  if (!moviePath) return 0;
  const QStringList errors = window.loadInterface(*moviePath);
  if (!errors.isEmpty()) {
    const QString text = QString::fromUtf8(texts::kMovieBroken)
                             .arg(QString::fromStdString(moviePath->string()), errors.join('\n'));
    std::fprintf(stderr, "panorama: %s\n", text.toLocal8Bit().constData());
    services.messages().ask(text.toStdString(), tuning::MessageKind::Error);
    return 1;
  }
  window.start(commandLineProject(arguments));
  window.show();
  const TerminationSignals signalsEndTheLoop;
  return QApplication::exec();
}

}  // namespace skylacer::app
