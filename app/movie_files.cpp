// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/movie_files.h"

#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QUrl>
#include <QVariantMap>
#include <fstream>

#include "platform/shell/data_folder.h"
#include "resources/app_texts.h"

namespace skylacer::app {

namespace {

bool readable(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return file.is_open() && std::filesystem::is_regular_file(path);
}

std::filesystem::path candidateIn(const std::filesystem::path& folder, std::string_view fileName) {
  return folder / "interfaces" / std::string(fileName);
}

struct QmlModule {
  const char* import;
  const char* package;
};
// Every module quiltra.qml and about.qml import.
constexpr QmlModule kMovieModules[] = {{"QtQml", "qml6-module-qtqml"},
                                       {"QtQml.Models", "qml6-module-qtqml-models"},
                                       {"QtQuick", "qml6-module-qtquick"}};

}  // namespace

std::string movieFileName(std::string_view interfaceName) {
  constexpr std::string_view kFlashSuffix = ".swf";
  std::string name(interfaceName);
  if (name.size() >= kFlashSuffix.size() &&
      QString::fromStdString(name.substr(name.size() - kFlashSuffix.size()))
              .compare(QLatin1String(".swf"), Qt::CaseInsensitive) == 0)
    name.replace(name.size() - kFlashSuffix.size(), kFlashSuffix.size(), ".qml");
  return name;
}

std::filesystem::path firstMovieCandidate(const std::filesystem::path& programFolder,
                                          std::string_view fileName) {
  return candidateIn(programFolder, fileName);
}

std::filesystem::path secondMovieCandidate(const std::filesystem::path& programFolder,
                                           std::string_view fileName) {
  return candidateIn(programFolder.parent_path(), fileName);
}

std::optional<std::filesystem::path> locateMovieFile(const std::filesystem::path& programFolder,
                                                     std::string_view fileName,
                                                     DesktopServices& services) {
  std::filesystem::path candidate = firstMovieCandidate(programFolder, fileName);
  // An installed program keeps its movies with the other data; the question still names the
  // second candidate when they are nowhere.
  if (!readable(candidate))
    candidate = candidateIn(shell::installedDataFolder(programFolder), fileName);
  if (!readable(candidate)) candidate = secondMovieCandidate(programFolder, fileName);
  while (!readable(candidate)) {
    const QString question =
        texts::translated(texts::kLocateMovie).arg(QString::fromStdString(candidate.string()));
    if (services.messages().ask(question.toStdString(), tuning::MessageKind::YesNo) !=
        tuning::MessageAnswer::Yes)
      return std::nullopt;
    tuning::FileDialogRequest request;
    request.filterText = texts::translatedUtf8(texts::kMovieFilter);
    request.initialFolder = candidate.parent_path();
    request.initialName = candidate.filename().string();
    request.mustExist = true;
    if (auto picked = services.chooseFiles(request); picked && !picked->files.empty())
      candidate = picked->files.front();
  }
  return candidate;
}

QStringList loadMovie(QQuickWidget& widget, CShockwaveFlash& movie,
                      const std::filesystem::path& path) {
  const QUrl url = QUrl::fromLocalFile(QString::fromStdString(path.string()));
  auto* component =
      new QQmlComponent(widget.engine(), url, QQmlComponent::PreferSynchronous, &widget);
  QStringList errors;
  if (!component->isError()) {
    movie.clearVariables();
    QObject* root = component->createWithInitialProperties(
        QVariantMap{{QStringLiteral("host"), QVariant::fromValue<QObject*>(&movie)}},
        widget.rootContext());
    if (root) {
      widget.setContent(url, component, root);
      return errors;
    }
  }
  for (const QQmlError& error : component->errors())
    errors << QStringLiteral("%1:%2: %3")
                  .arg(error.url().toLocalFile(), QString::number(error.line()),
                       error.description());
  if (errors.isEmpty())
    errors << texts::translated(texts::kMovieDidNotStart).arg(url.toLocalFile());
  delete component;
  return errors;
}

std::optional<std::string> missingQmlModuleMessage() {
  QQmlEngine engine;
  for (const QmlModule& module : kMovieModules) {
    QQmlComponent probe(&engine);
    probe.setData(QByteArray("import QtQml\nimport ") + module.import + "\nQtObject {}\n", QUrl());
    if (probe.isError())
      return texts::translated(texts::kQmlModuleMissing)
          .arg(QLatin1String(module.import), QLatin1String(module.package))
          .toStdString();
  }
  return std::nullopt;
}

}  // namespace skylacer::app
