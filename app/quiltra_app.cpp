// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/quiltra_app.h"

#include <QLibraryInfo>
#include <QVersionNumber>
#include <clocale>
#include <cstdio>

#include "app/command_line.h"
#include "app/movie_files.h"
#include "app/quiltra_dlg.h"
#include "app/termination_signals.h"
#include "platform/registry/settings_location.h"
#include "resources/app_texts.h"
#include "resources/version.h"

namespace skylacer::app {

namespace {
const QVersionNumber kLeastQt(6, 4);
}  // namespace

CQuiltraApp::CQuiltraApp(int& argc, char** argv) : QApplication(argc, argv) {
  // Qt has just set the process locale from the environment.
  std::setlocale(LC_NUMERIC, "C");
  setApplicationIdentity();
  setWindowIcon(QIcon(QStringLiteral(":/skylacer/panorama.png")));
}

void setApplicationIdentity() {
  const auto qtText = [](std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  };
  QCoreApplication::setOrganizationName(qtText(registry::kMakerFolder));
  QCoreApplication::setApplicationName(qtText(registry::kProductFolder));
  QCoreApplication::setApplicationVersion(QString::fromLatin1(kVersion));
  QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopFileName));
}

int runPanorama(DesktopServices& services, registry::SettingsStore& userStore,
                const registry::SettingsStore& machineStore, const QStringList& arguments,
                const std::filesystem::path& programFolder) {
  if (QLibraryInfo::version() < kLeastQt) {
    services.messages().ask(
        texts::translated(texts::kQtTooOld).arg(QLibraryInfo::version().toString()).toStdString(),
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
    const QString text = texts::translated(texts::kMovieBroken)
                             .arg(QString::fromStdString(moviePath->string()), errors.join('\n'));
    std::fprintf(stderr, "panorama: %s\n", text.toLocal8Bit().constData());
    services.messages().ask(text.toStdString(), tuning::MessageKind::Error);
    return 1;
  }
  window.start(startFiles(arguments));
  window.show();
  const TerminationSignals signalsEndTheLoop;
  return QApplication::exec();
}

}  // namespace skylacer::app
