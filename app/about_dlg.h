// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The about box: a caption-less box of 528 x 300 pixels centred on the main window, whose
// movie ("interfaces/about.qml") shows the version text "str_product". A key, or the left or
// right mouse button anywhere in it, closes it.

#include <QDialog>
#include <QQuickWidget>
#include <filesystem>

#include "app/desktop_services.h"
#include "app/shockwave_flash.h"

namespace skylacer::app {

// "version: 3.1 (build 411)" from the product version and the build number.
QString productVersionText();

class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* mainWindow);

  // Locates and loads the movie; false (and nothing shown) when the user declines to locate a
  // missing movie or the movie does not load, which is then reported.
  bool prepare(const std::filesystem::path& programFolder, DesktopServices& services);

  CShockwaveFlash& movie() { return movie_; }
  QQuickWidget& quickWidget() { return *quick_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  CShockwaveFlash movie_;
  QQuickWidget* quick_;
};

}  // namespace skylacer::app
