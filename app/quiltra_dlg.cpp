// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/quiltra_dlg.h"

#include <stdlib.h>

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <system_error>

#include "app/about_dlg.h"
#include "app/help_links.h"
#include "app/movie_files.h"
#include "app/movie_text.h"
#include "app/output_commands.h"
#include "app/photo_commands.h"
#include "app/stitch_command.h"
#include "platform/shell/data_folder.h"
#include "platform/shell/temporary_files.h"
#include "resources/app_texts.h"
#include "tuning/profiles.h"

namespace skylacer::app {

namespace {

constexpr int kSupportedInterfaceVersion = 100;
// Width of the band along the window's edges that resizes it, in pixels.
constexpr int kBorderBand = 5;

bool isWayland() {
  return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

// A new private folder for the result slices; removed with the window, or by a later start
// when the window's process was killed.
std::filesystem::path makeSliceFolder() {
  return shell::createTemporaryFolder("skl").value_or(std::filesystem::path());
}

bool named(const QString& command, const char* name) {
  return command.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

// Commands that run while a long command is pumping events: the cancel, the changed flag, the
// profile list, the window itself, help, messages and the movie's settings. Every other
// command would start work or change state under the running one and is ignored.
bool runsDuringLongCommand(const QString& command) {
  for (const char* name : {"IDCANCEL", "IDC_PROJECTCHANGED", "fillalgonames", "IDC_MINIMIZE",
                           "IDC_MAXIMIZE", "DRAG_TITLE_BEGIN", "DRAG_TITLE_END", "Help",
                           "MessageBox", "GetProfileString", "SetProfileString"})
    if (named(command, name)) return true;
  return false;
}

std::optional<SizingEdge> edgeAt(const QPoint& point, const QSize& size) {
  const bool left = point.x() < kBorderBand;
  const bool right = point.x() >= size.width() - kBorderBand;
  const bool top = point.y() < kBorderBand;
  const bool bottom = point.y() >= size.height() - kBorderBand;
  if (top && left) return SizingEdge::TopLeft;
  if (top && right) return SizingEdge::TopRight;
  if (bottom && left) return SizingEdge::BottomLeft;
  if (bottom && right) return SizingEdge::BottomRight;
  if (left) return SizingEdge::Left;
  if (right) return SizingEdge::Right;
  if (top) return SizingEdge::Top;
  if (bottom) return SizingEdge::Bottom;
  return std::nullopt;
}

Qt::CursorShape cursorFor(SizingEdge edge) {
  switch (edge) {
    case SizingEdge::Left:
    case SizingEdge::Right:
      return Qt::SizeHorCursor;
    case SizingEdge::Top:
    case SizingEdge::Bottom:
      return Qt::SizeVerCursor;
    case SizingEdge::TopLeft:
    case SizingEdge::BottomRight:
      return Qt::SizeFDiagCursor;
    default:
      return Qt::SizeBDiagCursor;
  }
}

Qt::Edges qtEdges(SizingEdge edge) {
  switch (edge) {
    case SizingEdge::Left:
      return Qt::LeftEdge;
    case SizingEdge::Right:
      return Qt::RightEdge;
    case SizingEdge::Top:
      return Qt::TopEdge;
    case SizingEdge::Bottom:
      return Qt::BottomEdge;
    case SizingEdge::TopLeft:
      return Qt::TopEdge | Qt::LeftEdge;
    case SizingEdge::TopRight:
      return Qt::TopEdge | Qt::RightEdge;
    case SizingEdge::BottomLeft:
      return Qt::BottomEdge | Qt::LeftEdge;
    case SizingEdge::BottomRight:
      return Qt::BottomEdge | Qt::RightEdge;
  }
  return {};
}

// The rectangle at the press moved by the cursor's travel along the dragged edges.
WindowRect proposedRect(const QRect& start, SizingEdge edge, const QPoint& travel) {
  WindowRect r{start.left(), start.top(), start.left() + start.width(),
               start.top() + start.height()};
  const Qt::Edges edges = qtEdges(edge);
  if (edges & Qt::LeftEdge) r.left += travel.x();
  if (edges & Qt::RightEdge) r.right += travel.x();
  if (edges & Qt::TopEdge) r.top += travel.y();
  if (edges & Qt::BottomEdge) r.bottom += travel.y();
  return r;
}

}  // namespace

CQuiltraDlg::CQuiltraDlg(HostEnvironment environment)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint),
      env_(environment),
      settings_(env_.userStore),
      quick_(new QQuickWidget(this)),
      sliceFolder_(makeSliceFolder()) {
  setAttribute(Qt::WA_DeleteOnClose, false);
  setWindowTitle(QString::fromUtf8(texts::kWindowTitle));
  setWindowIcon(QIcon(QStringLiteral(":/skylacer/panorama.png")));
  setMouseTracking(true);
  quick_->setResizeMode(QQuickWidget::SizeRootObjectToView);
  quick_->setMouseTracking(true);
  // Photos dropped from a file manager reach the movie's drop area.
  quick_->setAcceptDrops(true);
  quick_->installEventFilter(this);
  installEventFilter(this);
  state_.interfaceFile = settings_.readString("Settings", "Interface", "quiltra.swf");
  connect(&movie_, &CShockwaveFlash::commandReceived, this, &CQuiltraDlg::OnFSCommand);
}

CQuiltraDlg::~CQuiltraDlg() {
  if (!sliceFolder_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(sliceFolder_, ignored);
  }
}

void CQuiltraDlg::removeTemporaryFiles() {
  std::error_code ignored;
  for (const auto& file : state_.thumbnails.files()) std::filesystem::remove(file, ignored);
  if (!sliceFolder_.empty()) std::filesystem::remove_all(sliceFolder_, ignored);
}

QStringList CQuiltraDlg::loadInterface(const std::filesystem::path& moviePath) {
  return loadMovie(*quick_, movie_, moviePath);
}

WindowRect CQuiltraDlg::placement(const std::optional<std::vector<std::uint8_t>>& stored,
                                  PixelSize screen, bool positionKnown) {
  if (stored && positionKnown)
    if (auto rect = acceptedStoredRect(*stored, screen)) return *rect;
  return defaultPlacement(screen);
}

void CQuiltraDlg::start(StartFiles files) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QSize screenSize = screen ? screen->size() : QSize(1024, 768);
  const WindowRect rect = placement(settings_.readBinary("settings", "windowrect"),
                                    {screenSize.width(), screenSize.height()}, !isWayland());
  setGeometry(rect.left, rect.top, rect.width(), rect.height());
  state_.profiles = tuning::loadProfiles(env_.userStore, env_.machineStore, 0, movie_);
  std::erase(files.project, '"');
  state_.projectPath = files.project;
  if (files.project.empty() && files.photos.empty()) return;
  if (!progress_) progress_ = std::make_unique<CProgress>(movie_, this);
  CommandContext context = commandContext(0);
  if (!files.project.empty()) {
    openProjectAt(context, files.project);
  } else {
    handPhotos(context, files.photos);
  }
}

CommandContext CQuiltraDlg::commandContext(int profileIndex) {
  return CommandContext{state_,       movie_,      env_.services,
                        settings_,    *progress_,  env_.programFolder,
                        sliceFolder_, profileIndex};
}

template <typename Command>
void CQuiltraDlg::runLong(Command&& command) {
  longCommand_ = true;
  command();
  longCommand_ = false;
  if (closeAfterCommand_) {
    closeAfterCommand_ = false;
    close();
  }
}

void CQuiltraDlg::OnFSCommand(const QString& command, const QString& argument) {
  if (!progress_) progress_ = std::make_unique<CProgress>(movie_, this);
  const int profileIndex = tuning::profileIndexInRange(movieNumber(movie_.getVariable("curparam")),
                                                       state_.profiles.count());
  if (longCommand_ && !runsDuringLongCommand(command)) {
    if (named(command, "IDC_CLOSE")) {
      // The close waits for the running work, which is asked to stop.
      progress_->requestCancel();
      closeAfterCommand_ = true;
    }
    return;
  }
  CommandContext context = commandContext(profileIndex);
  const std::string arg = argument.toStdString();

  if (named(command, "IDCANCEL")) {
    progress_->requestCancel();
  } else if (named(command, "Help")) {
    if (named(argument, "About")) {
      CAboutDlg about(this);
      if (about.prepare(env_.programFolder, env_.services)) about.exec();
    } else if (named(argument, "Index") || named(argument, "Content")) {
      env_.services.openWithAssociatedProgram(
          helpAddress(shell::dataFolder(env_.programFolder, "help"),
                      named(argument, "Index") ? HelpTopic::Index : HelpTopic::Contents));
    } else if (named(argument, "Support")) {
      if (auto address = internetShortcutAddress(
              shell::dataFolder(env_.programFolder, "Support.url") / "Support.url"))
        env_.services.openWithAssociatedProgram(*address);
    }
  } else if (named(command, "fillalgonames")) {
    state_.profiles = tuning::loadProfiles(env_.userStore, env_.machineStore, profileIndex, movie_);
  } else if (named(command, "AlignImages")) {
    runLong([&] { runStitchCommand(context); });
  } else if (named(command, "IDC_OPTIONS")) {
    runLong([&] {
      const int tunerIndex = env_.services.runTuner(profileIndex);
      state_.profiles = tuning::loadProfiles(env_.userStore, env_.machineStore, tunerIndex, movie_);
      movie_.TPlay(QStringLiteral("/page"));
    });
  } else if (named(command, "IDC_CLOSE")) {
    runLong([&] {
      if (closeQuery()) {
        closeAllowed_ = true;
        close();
      }
    });
  } else if (named(command, "IDC_PROJECTCHANGED")) {
    state_.changed = true;
  } else if (named(command, "IDC_EXPORTTOEXE")) {
    runLong([&] { exportViewerProgram(context); });
  } else if (named(command, "IDC_EXPORTTOHTML")) {
    runLong([&] { exportWebPage(context); });
  } else if (named(command, "IDC_MINIMIZE")) {
    showMinimized();
  } else if (named(command, "IDC_MAXIMIZE")) {
    maximised_ = !maximised_;
    if (maximised_)
      showMaximized();
    else
      showNormal();
  } else if (named(command, "DRAG_TITLE_BEGIN")) {
    startTitleDrag();
  } else if (named(command, "DRAG_TITLE_END")) {
    dragging_ = false;
  } else if (named(command, "IDC_OPEN_WORKSPACE")) {
    runLong([&] {
      if (closeQuery()) openProjectChosen(context);
    });
  } else if (named(command, "IDC_SAVEASIMAGE")) {
    runLong([&] { saveImage(context); });
  } else if (named(command, "IDC_SAVEPROJECT")) {
    runLong([&] { saveProjectChosen(context); });
  } else if (named(command, "IDS_NEWPROJECT")) {
    runLong([&] {
      if (!closeQuery()) return;
      movie_.TCallLabel(QStringLiteral("/"), QStringLiteral("newProject"));
      state_.changed = false;
    });
  } else if (named(command, "GetProfileString")) {
    movie_.SetVariable(
        argument, QString::fromStdString(settings_.readString(state_.interfaceFile, arg, "false")));
    movie_.TCallLabel(QStringLiteral("/"), QStringLiteral("SetProfileString"));
  } else if (named(command, "SetProfileString")) {
    settings_.writeString(state_.interfaceFile, arg, movie_.getVariable("ProfileString"));
  } else if (named(command, "IDC_ADD_IMAGES")) {
    runLong([&] { addPhotos(context); });
  } else if (named(command, "IDC_DROP_IMAGES")) {
    runLong([&] { addDroppedPhotos(context); });
  } else if (named(command, "MessageBox")) {
    env_.services.messages().ask(arg, tuning::MessageKind::Notice);
  } else if (named(command, "ID_CHECKVERSION")) {
    if (movieNumber(arg) <= kSupportedInterfaceVersion) return;
    runLong([&] {
      if (env_.services.messages().ask(texts::translatedUtf8(texts::kVersionUnsupported),
                                       tuning::MessageKind::YesNoStop) ==
          tuning::MessageAnswer::Yes)
        if (auto address =
                productInfoAddress(shell::dataFolder(env_.programFolder, "Product Info.url")))
          env_.services.openWithAssociatedProgram(*address);
      removeTemporaryFiles();
      env_.services.endProcess(0);
    });
  }
}

bool CQuiltraDlg::closeQuery() {
  const QRect frame = frameGeometry();
  const WindowRect rect{frame.left(), frame.top(), frame.left() + frame.width(),
                        frame.top() + frame.height()};
  if (worthStoring(rect)) settings_.writeBinary("settings", "windowrect", windowRectBytes(rect));
  if (!state_.changed) return true;
  const tuning::MessageAnswer answer = env_.services.messages().ask(
      texts::translatedUtf8(texts::kProjectChanged), tuning::MessageKind::YesNoCancel);
  if (answer == tuning::MessageAnswer::Cancel) return false;
  if (answer == tuning::MessageAnswer::No) return true;
  if (!progress_) progress_ = std::make_unique<CProgress>(movie_, this);
  CommandContext context = commandContext(0);
  return state_.projectPath.empty() ? saveProjectChosen(context)
                                    : saveProjectAt(context, state_.projectPath);
}

void CQuiltraDlg::closeEvent(QCloseEvent* event) {
  if (closeAllowed_) {
    event->accept();
    return;
  }
  if (longCommand_) {
    // The close waits for the running work, which is asked to stop.
    if (progress_) progress_->requestCancel();
    closeAfterCommand_ = true;
    event->ignore();
    return;
  }
  longCommand_ = true;
  const bool allowed = closeQuery();
  longCommand_ = false;
  closeAllowed_ = allowed;
  if (allowed)
    event->accept();
  else
    event->ignore();
}

void CQuiltraDlg::startTitleDrag() {
  if (isWayland()) {
    // A Wayland client cannot place itself: the compositor moves the window, and no button
    // release reaches us afterwards, so the drag is over as far as we are concerned.
    if (windowHandle()) windowHandle()->startSystemMove();
    dragging_ = false;
    return;
  }
  const QPoint client = mapFromGlobal(QCursor::pos());
  const PixelSize point = grabPoint(client.x(), client.y());
  grab_ = QPoint(point.width, point.height);
  dragging_ = true;
}

void CQuiltraDlg::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  quick_->setGeometry(rect());
  applySizeRule();
}

void CQuiltraDlg::applySizeRule() {
  if (isMinimized()) return;
  if (isMaximized()) {
    const QScreen* screen = this->screen();
    if (!screen) return;
    const QRect work = screen->availableGeometry();
    const WindowRect workArea{work.left(), work.top(), work.left() + work.width(),
                              work.top() + work.height()};
    if (auto fit = maximisedFit({width(), height()}, workArea))
      setGeometry(fit->left, fit->top, fit->width(), fit->height());
    return;
  }
  const std::optional<PixelSize> target = sizeRuleTarget({width(), height()});
  if (!target) {
    requestedSize_.reset();
    return;
  }
  const QSize wanted(target->width, target->height);
  // Asked for this size before and given another: the window manager decides; do not loop.
  if (requestedSize_ == wanted) return;
  requestedSize_ = wanted;
  resize(wanted);
}

void CQuiltraDlg::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && quick_->rootObject())
    movie_.TGotoLabel(QStringLiteral("/TitleBar"),
                      isActiveWindow() ? QStringLiteral("Active") : QStringLiteral("Inactive"));
}

bool CQuiltraDlg::handleBorder(QEvent* event) {
  if (isMaximized() || isMinimized()) return false;
  auto* mouse = static_cast<QMouseEvent*>(event);
  const QPoint local = mapFromGlobal(mouse->globalPosition().toPoint());
  if (event->type() == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton) {
    const std::optional<SizingEdge> edge = edgeAt(local, size());
    if (!edge) return false;
    if (isWayland()) {
      if (windowHandle()) windowHandle()->startSystemResize(qtEdges(*edge));
      return true;
    }
    resizeEdge_ = edge;
    resizeStartRect_ = geometry();
    resizeStartCursor_ = mouse->globalPosition().toPoint();
    return true;
  }
  if (event->type() == QEvent::MouseMove) {
    if (resizeEdge_) {
      const WindowRect wanted =
          sizingRule(proposedRect(resizeStartRect_, *resizeEdge_,
                                  mouse->globalPosition().toPoint() - resizeStartCursor_),
                     *resizeEdge_);
      if (wanted.width() >= 1 && wanted.height() >= 1)
        setGeometry(wanted.left, wanted.top, wanted.width(), wanted.height());
      return true;
    }
    const std::optional<SizingEdge> edge = edgeAt(local, size());
    if (edge)
      quick_->setCursor(cursorFor(*edge));
    else
      quick_->unsetCursor();
    return false;
  }
  if (event->type() == QEvent::MouseButtonRelease && resizeEdge_) {
    resizeEdge_.reset();
    return true;
  }
  return false;
}

bool CQuiltraDlg::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseMove:
      if (dragging_) {
        move(QCursor::pos() - grab_);
        return QWidget::eventFilter(watched, event);
      }
      if (handleBorder(event)) return true;
      break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease: {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() == Qt::RightButton) {
        movie_.TCallLabel(QStringLiteral("/"), event->type() == QEvent::MouseButtonPress
                                                   ? QStringLiteral("onRightButtonDown")
                                                   : QStringLiteral("onRightButtonUp"));
        return true;
      }
      if (event->type() == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton)
        dragging_ = false;
      if (handleBorder(event)) return true;
      break;
    }
    case QEvent::KeyPress: {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter) return true;
      break;
    }
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace skylacer::app
