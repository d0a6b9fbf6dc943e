// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop program in German: with the start-up translations installed for the system's
// locale (CTest runs this class with LANG=de_DE.UTF-8), the main window's movie, the tuner, the
// output options and a message box show German texts, and no two labels or buttons of one
// dialog page share an accelerator.

#include "app/translations.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QKeySequence>
#include <QLabel>
#include <QMessageBox>
#include <QQuickItem>
#include <QTabWidget>
#include <QTest>
#include <algorithm>
#include <map>

#include "resources/app_texts.h"
#include "tests/app/test_host.h"
#include "tests/app/test_registry.h"
#include "tuning/image_options_dialog.h"
#include "tuning/message_box.h"
#include "tuning/tuner_dialog.h"

using namespace skylacer;

namespace {

QString movieText(test::TestHost& host, const char* objectName, const char* property) {
  const QQuickItem* item = host.item(QString::fromLatin1(objectName));
  return item ? item->property(property).toString()
              : QStringLiteral("<no item %1>").arg(objectName);
}

// The first two labels or buttons under `widget` that share an accelerator key, leaving out
// those under `skipped` (the other pages of a tab widget, hidden while `widget`'s page shows);
// empty when every key is unique.
QString acceleratorClash(const QWidget& widget, const QList<QWidget*>& skipped = {}) {
  std::map<QString, QString> textOfKey;
  for (QWidget* child : widget.findChildren<QWidget*>()) {
    const bool onSkippedPage = std::any_of(skipped.begin(), skipped.end(), [child](QWidget* page) {
      return page == child || page->isAncestorOf(child);
    });
    if (onSkippedPage) continue;
    QString text;
    if (const auto* label = qobject_cast<QLabel*>(child))
      text = label->text();
    else if (const auto* button = qobject_cast<QAbstractButton*>(child))
      text = button->text();
    const QString key = QKeySequence::mnemonic(text).toString();
    if (key.isEmpty()) continue;
    const auto [previous, added] = textOfKey.emplace(key, text);
    if (!added)
      return QStringLiteral("%1 is both \"%2\" and \"%3\"").arg(key, previous->second, text);
  }
  return {};
}

}  // namespace

class TranslationsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY2(QLocale::system().language() == QLocale::German,
             "run with LANG=de_DE.UTF-8 (and LC_ALL, LC_MESSAGES, LANGUAGE unset)");
    translations_ = std::make_unique<app::Translations>(QLocale::system());
    QVERIFY(translations_->programTranslated());
  }
  void cleanupTestCase() { translations_.reset(); }

  // A regional German finds the German translation; English and the C locale keep the source
  // texts.
  void translationFollowsTheLanguage() {
    QVERIFY(app::Translations(QLocale(QLocale::German, QLocale::Switzerland)).programTranslated());
    QVERIFY(
        !app::Translations(QLocale(QLocale::English, QLocale::UnitedKingdom)).programTranslated());
    QVERIFY(!app::Translations(QLocale::c()).programTranslated());
  }

  void mainWindowIsGerman() {
    test::TestHost host(/*show=*/true);
    // The longer German labels still fit the toolbar's one row at the default size on a
    // 1024 x 768 screen.
    host.window->resize(784, 560);
    QTRY_COMPARE(host.window->quickWidget().width(), 784);
    for (QQuickItem* button : host.item("toolbarButtons")->childItems())
      QVERIFY2(button->y() == 0.0, qPrintable(button->objectName() + " wraps"));
    QTest::qWait(100);
    host.window->quickWidget().grabFramebuffer().save(
        QString::fromStdString((test::artefactsDir() / "german-window.png").string()));
    QCOMPARE(movieText(host, "addButton", "label"), QStringLiteral("Fotos hinzufügen"));
    QCOMPARE(movieText(host, "stitchButton", "label"), QStringLiteral("Zusammensetzen"));
    QCOMPARE(movieText(host, "tunerButton", "label"), QStringLiteral("Parameter …"));
    QCOMPARE(movieText(host, "newButton", "glyph"), QStringLiteral("Neu"));
    QCOMPARE(movieText(host, "openButton", "glyph"), QStringLiteral("Öffnen"));
    QVERIFY2(
        movieText(host, "statusText", "text").startsWith(QStringLiteral("0 Fotos  ·  Profil ")),
        qPrintable(movieText(host, "statusText", "text")));
  }

  // A command's message reaches the box in German, and the box's own buttons come from Qt's
  // German translation.
  void messageBoxIsGerman() {
    test::TestHost host;
    host.command("AlignImages");
    QCOMPARE(host.services.scriptedMessages.asked.size(), std::size_t{1});
    const auto& asked = host.services.scriptedMessages.asked.front();
    const auto box = tuning::makeMessageBox(nullptr, asked.text, asked.kind);
    QCOMPARE(box->text(), QStringLiteral("Das Projekt enthält noch keine Fotos.\n\n"
                                         "Bitte fügen Sie Fotos hinzu, um fortzufahren."));
    const auto question =
        tuning::makeMessageBox(nullptr, app::texts::translatedUtf8(app::texts::kProjectChanged),
                               tuning::MessageKind::YesNoCancel);
    QCOMPARE(question->text(), QStringLiteral("Das aktuelle Projekt wurde geändert.\n\n"
                                              "Möchten Sie die Änderungen speichern?"));
    QCOMPARE(question->button(QMessageBox::Yes)->text(), QStringLiteral("&Ja"));
    QCOMPARE(question->button(QMessageBox::No)->text(), QStringLiteral("&Nein"));
    QCOMPARE(question->button(QMessageBox::Cancel)->text(), QStringLiteral("Abbrechen"));
  }

  void tunerIsGermanWithoutAcceleratorClashes() {
    test::TestHost host;
    tuning::CMTuneDlg tuner(host.userStore, 0, host.services.scriptedMessages,
                            host.folder / "help");
    QCOMPARE(tuner.windowTitle(), QStringLiteral("Oskelvind Skylacer – Parameter"));
    auto* pages = tuner.findChild<QTabWidget*>(QStringLiteral("pages"));
    QVERIFY(pages);
    QCOMPARE(pages->tabText(0), QStringLiteral("Allgemein"));
    QCOMPARE(pages->tabText(1), QStringLiteral("Objektiv"));
    QCOMPARE(pages->tabText(2), QStringLiteral("Erweitert"));
    QCOMPARE(tuner.findChild<QAbstractButton*>(QStringLiteral("applyButton"))->text(),
             QStringLiteral("Übernehmen"));
    QCOMPARE(tuner.findChild<QAbstractButton*>(QStringLiteral("cropCheck"))->text(),
             QStringLiteral("Panoramabild zu&schneiden"));

    QList<QWidget*> allPages;
    for (int i = 0; i < pages->count(); ++i) allPages << pages->widget(i);
    for (int shown = 0; shown < pages->count(); ++shown) {
      QList<QWidget*> hidden = allPages;
      hidden.removeAt(shown);
      const QString clash = acceleratorClash(tuner, hidden);
      QVERIFY2(clash.isEmpty(), qPrintable(pages->tabText(shown) + QStringLiteral(": ") + clash));
    }
  }

  void imageOptionsAreGermanWithoutAcceleratorClashes() {
    test::TestHost host;
    registry::ApplicationSettings settings(host.userStore);
    tuning::CImageOpt options(1000, 500, 80, settings, host.services.scriptedMessages);
    QCOMPARE(options.windowTitle(), QStringLiteral("Optionen für das Ausgabebild"));
    const auto* units = options.findChild<QComboBox*>(QStringLiteral("widthUnitCombo"));
    QVERIFY(units);
    QCOMPARE(units->itemText(0), QStringLiteral("Prozent"));
    QCOMPARE(units->itemText(1), QStringLiteral("Pixel"));
    const QString clash = acceleratorClash(options);
    QVERIFY2(clash.isEmpty(), qPrintable(clash));
  }

 private:
  std::unique_ptr<app::Translations> translations_;
};

SKYLACER_APP_TEST(TranslationsTest);

#include "translations_test.moc"
