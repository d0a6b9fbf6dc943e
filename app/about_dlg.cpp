// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/about_dlg.h"

#include <QColor>
#include <QEvent>
#include <QMouseEvent>
#include <QPalette>

#include "app/movie_files.h"
#include "resources/app_texts.h"
#include "resources/version.h"

namespace skylacer::app {

namespace {
constexpr int kBoxHalfWidth = 264;
constexpr int kBoxHalfHeight = 150;
constexpr int kMovieWidth = 522;
constexpr int kMovieHeight = 300;
}  // namespace

QString productVersionText() {
  return texts::translated(texts::kVersionFormat)
      .arg(QLatin1String(kProductVersion), QLatin1String(kBuildNumber));
}

CAboutDlg::CAboutDlg(QWidget* mainWindow)
    : QDialog(mainWindow, Qt::Dialog | Qt::FramelessWindowHint), quick_(new QQuickWidget(this)) {
  quick_->setResizeMode(QQuickWidget::SizeRootObjectToView);
  quick_->setGeometry(0, 0, kMovieWidth, kMovieHeight);
  // The box is 6 pixels wider than its movie: that strip takes the movie's darkest colour.
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, QColor(0x10, 0x18, 0x20));
  setPalette(palette);
  setAutoFillBackground(true);
  quick_->installEventFilter(this);
  const QRect client =
      mainWindow ? mainWindow->rect() : QRect(0, 0, 2 * kBoxHalfWidth, 2 * kBoxHalfHeight);
  const QPoint centre((client.left() + client.right() + 1) / 2,
                      (client.top() + client.bottom() + 1) / 2);
  const QPoint topLeft = mainWindow ? mainWindow->mapToGlobal(centre) : centre;
  setGeometry(topLeft.x() - kBoxHalfWidth, topLeft.y() - kBoxHalfHeight, 2 * kBoxHalfWidth,
              2 * kBoxHalfHeight);
}

bool CAboutDlg::prepare(const std::filesystem::path& programFolder, DesktopServices& services) {
  const auto path = locateMovieFile(programFolder, movieFileName("about.swf"), services);
  if (!path) return false;
  const QStringList errors = loadMovie(*quick_, movie_, *path);
  if (!errors.isEmpty()) {
    services.messages().ask(texts::translated(texts::kMovieBroken)
                                .arg(QString::fromStdString(path->string()), errors.join('\n'))
                                .toStdString(),
                            tuning::MessageKind::Error);
    return false;
  }
  movie_.SetVariable(QStringLiteral("str_product"), productVersionText());
  return true;
}

bool CAboutDlg::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    accept();
  } else if (event->type() == QEvent::MouseButtonPress) {
    const auto button = static_cast<QMouseEvent*>(event)->button();
    if (button == Qt::LeftButton || button == Qt::RightButton) accept();
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace skylacer::app
