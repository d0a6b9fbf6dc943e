// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QStringList>

namespace skylacer::app {

namespace {

// The user's languages in order of preference, up to the first English one: the source texts
// are English, so a language the user ranks lower must not replace them.
QStringList languagesBeforeEnglish(const QLocale& locale) {
  QStringList languages;
  for (const QString& language : locale.uiLanguages()) {
    if (QLocale(language).language() == QLocale::English) break;
    languages << language;
  }
  return languages;
}

// Loads the first of `languages` that `folder` has a "<baseName>_<language>.qm" for, and
// installs it.
bool install(QTranslator& translator, const QStringList& languages, const QString& baseName,
             const QString& folder) {
  for (const QString& language : languages) {
    if (translator.load(QLocale(language), baseName, QStringLiteral("_"), folder))
      return QCoreApplication::installTranslator(&translator);
  }
  return false;
}

}  // namespace

Translations::Translations(const QLocale& locale) {
  const QStringList languages = languagesBeforeEnglish(locale);
  programTranslated_ = install(program_, languages, QStringLiteral("skylacer3"),
                               QStringLiteral(":/skylacer/translations"));
  install(qt_, languages, QStringLiteral("qtbase"),
          QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

}  // namespace skylacer::app
