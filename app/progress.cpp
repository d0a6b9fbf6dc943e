// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/progress.h"

#include <QCoreApplication>
#include <QEvent>
#include <QQuickWidget>

namespace skylacer::app {

namespace {
// How long one pump handles waiting events, in milliseconds.
constexpr int kPumpMilliseconds = 4;
// The least time between two synchronous repaints of the host, in milliseconds.
constexpr int kRepaintMilliseconds = 30;
}  // namespace

CProgress::CProgress(CShockwaveFlash& movie, QWidget* host) : movie_(movie), host_(host) {
  QCoreApplication::instance()->installEventFilter(this);
}

CProgress::~CProgress() {
  if (QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(this);
}

bool CProgress::eventFilter(QObject* watched, QEvent* event) {
  if (pumping_ && event->type() == QEvent::Quit && watched == QCoreApplication::instance()) {
    cancel_ = true;
    return true;
  }
  return QObject::eventFilter(watched, event);
}

void CProgress::pump() {
  pumping_ = true;
  QCoreApplication::processEvents(QEventLoop::AllEvents, kPumpMilliseconds);
  pumping_ = false;
}

void CProgress::repaintHost() {
  if (!host_ || !host_->isVisible()) return;
  if (sinceRepaint_.isValid() && sinceRepaint_.elapsed() < kRepaintMilliseconds) return;
  sinceRepaint_.start();
  // The Quick widget renders on its own timer; rendering it here makes this report visible
  // even when the work does not return to the event loop before the next one.
  for (auto* quick : host_->findChildren<QQuickWidget*>()) {
    if (quick->isVisible()) quick->grabFramebuffer();
  }
  host_->repaint();
}

bool CProgress::Report(double fraction, const char* text) {
  pump();
  if (text) movie_.SetVariable(QStringLiteral("PBarText"), QString::fromUtf8(text));
  const int value = progressBarValue(ranges_.map(fraction));
  movie_.SetVariable(QStringLiteral("PBarProgress"), QString::number(value));
  movie_.TCallLabel(QStringLiteral("/"), QStringLiteral("SetProgress"));
  repaintHost();
  pump();
  return cancel_;
}

}  // namespace skylacer::app
