// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The desktop program in the user's language: its own texts from the translations built into
// the program (":/skylacer/translations/skylacer3_<language>.qm"), and Qt's own texts (standard
// buttons, file dialogs) from Qt's translations folder where the system has them. The program's
// texts are English; a language without a translation keeps them.

#include <QLocale>
#include <QTranslator>

namespace skylacer::app {

// Installed on the application object from construction to destruction; build it before the
// first widget, whose texts are looked up when it is made.
class Translations {
 public:
  // The first of `locale`'s user-interface languages that has a translation, up to the first
  // English one.
  explicit Translations(const QLocale& locale);
  Translations(const Translations&) = delete;
  Translations& operator=(const Translations&) = delete;

  // Whether the program's own texts are translated.
  bool programTranslated() const { return programTranslated_; }

 private:
  QTranslator program_;
  QTranslator qt_;
  bool programTranslated_ = false;
};

}  // namespace skylacer::app
