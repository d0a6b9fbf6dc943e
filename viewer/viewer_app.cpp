#include "viewer/viewer_app.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTimer>
#include <QUrl>
#include <new>
#include <thread>

#include "viewer/about_box.h"
#include "viewer/accelerators.h"
#include "viewer/dialog_owner.h"
#include "viewer/messages.h"
#include "viewer/platform/message_format.h"
#include "viewer/platform/render_layer.h"
#include "viewer/platform/scene.h"
#include "viewer/popup_menu.h"
#include "viewer/settings_commands.h"

namespace skylacer::viewer {
namespace {

using namespace std::chrono_literals;

constexpr int kClientWidth = 800;
constexpr int kClientHeight = 400;
constexpr auto kFramePeriod = 30ms;
constexpr auto kIdleSleep = 10ms;
// Frames drawn before a snapshot is taken.
constexpr int kSnapshotFrames = 3;
// A click on the zoom buttons is a zoom step of this many units.
constexpr int kZoomClickUnits = 10;

// The running program's own file.
const std::filesystem::path kOwnProgram = "/proc/self/exe";

}  // namespace

ViewerApp::ViewerApp(std::optional<StartOptions> options, QStringList arguments)
    : options_(options),
      arguments_(std::move(arguments)),
      icon_(":/viewer/AppIcon.png"),
      toolbar_(QImage(":/viewer/bitmap105.bmp"), QImage(":/viewer/bitmap104.bmp")),
      openFileAnswer_(qEnvironmentVariable(kOpenFileVariable)),
      snapshotPath_(qEnvironmentVariable(kSnapshotVariable)) {}

ViewerApp::~ViewerApp() { shutDown(); }

int ViewerApp::run() {
  window_ = std::make_unique<platform::RenderWindow>(*this);
  window_->setTitle(text::kAppTitle);
  window_->setIcon(icon_);
  window_->resize(kClientWidth, kClientHeight);
  window_->show();
  if (window_->handle() == nullptr) {
    reportError(text::kCreateWindowFailed);
    return 0;
  }
  QCoreApplication::processEvents();

  if (!options_) {
    reportError(text::kInvalidOptions);
    return 0;
  }
  if (!startRenderer()) return 0;
  loadPanorama();
  model_.requestRedraw();

  while (!quitting_) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (quitting_) break;
    if (!idleStep()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  return exitCode_;
}

bool ViewerApp::startRenderer() {
  layer_ = std::make_unique<platform::RenderLayer>(
      *window_, [this](const std::string& message) { reportError(message); },
      [this](QSize size) { backBufferCreated(size); });
  if (!layer_->start(options_->softwareRendering())) {
    layer_.reset();
    return false;
  }
  scene_ = std::make_unique<platform::Scene>(layer_->gl(), layer_->functions());
  scene_->applySettings(settings_);
  scene_->setOverlay(toolbar_.strip());
  menu_ = std::make_unique<PopupMenu>(layer_->devices(), layer_->modes());
  return true;
}

void ViewerApp::backBufferCreated(QSize size) {
  model_.setViewport(size.width(), size.height());
  model_.requestRedraw();
}

void ViewerApp::loadPanorama() {
  std::optional<PanoramaSource> source;
  try {
    source = panoramaSource();
  } catch (const std::bad_alloc&) {
    showMessage(text::kLoadFailed, true);
    return;
  }
  if (!source || quitting_) return;
  fieldOfView_ = source->fieldOfView;
  const std::optional<DecodedPicture> picture = decodePicture(std::move(source->picture));
  // A picture that cannot be decoded leaves the window empty, without a message.
  if (picture) buildScene(*picture, fieldOfView_);
}

std::optional<PanoramaSource> ViewerApp::panoramaSource() {
  std::optional<std::vector<std::uint8_t>> program = readWholeFile(kOwnProgram);
  if (!program) {
    showMessage(text::kLoadFailed, true);
    return std::nullopt;
  }
  if (std::optional<PanoramaSource> appended = takeAppendedPanorama(*program)) return appended;
  program.reset();

  const std::optional<std::filesystem::path> path = askForPanorama();
  if (!path) return std::nullopt;
  panoramaPath_ = *path;
  std::optional<std::vector<std::uint8_t>> picture = readWholeFile(panoramaPath_);
  if (!picture) {
    showMessage(text::kLoadFailed, true);
    return std::nullopt;
  }
  return PanoramaSource{std::move(*picture), kDefaultFieldOfView};
}

std::optional<std::filesystem::path> ViewerApp::askForPanorama() {
  QFileDialog dialog;
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setNameFilters({text::kJpegFilter, text::kAllFilesFilter});
  if (!openFileAnswer_.isEmpty()) {
    // Answered at once, through the dialog's own selection.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    QTimer::singleShot(0, &dialog, [&dialog, this] {
      dialog.selectFile(openFileAnswer_);
      static_cast<QDialog&>(dialog).accept();
    });
  }
  ownDialog(dialog, window_.get());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return std::filesystem::path(QFile::encodeName(dialog.selectedFiles().front()).toStdString());
}

void ViewerApp::buildScene(const DecodedPicture& picture, double fieldOfView) {
  if (!scene_) return;
  const int tiles = model_.setPicture(picture.rows, fieldOfView);
  if (tiles == 0) return;
  if (!snapshotPath_.isEmpty()) model_.setAutoRotation(false);

  const auto size = static_cast<std::size_t>(model_.tileSize());
  std::vector<std::uint8_t> texture(size * size * 3);
  layer_->beginFrame();
  scene_->clearQuads();
  TileQuad quad;
  for (int i = 0; i < tiles; ++i) {
    model_.makeTile(i, texture, quad);
    if (const platform::RenderStatus status = scene_->addQuad(texture, model_.tileSize(), quad);
        status != platform::kRenderOk) {
      scene_->clearQuads();
      reportError(platform::formatMessage(text::kTexturesFailed,
                                          std::string(platform::renderErrorName(status)).c_str()));
      break;
    }
  }
  model_.releasePicture();
}

bool ViewerApp::idleStep() {
  if (quitting_ || !layer_ || !layer_->ready() || layer_->hidden()) return false;
  if (paused_ && !singleStep_) return false;
  const auto sinceLastFrame = std::chrono::steady_clock::now() - lastFrame_;
  if (sinceLastFrame < kFramePeriod) std::this_thread::sleep_for(kFramePeriod - sinceLastFrame);
  if (!singleStep_ && !model_.needsFrame()) {
    std::this_thread::sleep_for(kIdleSleep);
    return true;
  }
  singleStep_ = false;
  lastFrame_ = std::chrono::steady_clock::now();
  if (!drawFrame()) {
    reportError(text::kRenderingFailed);
    shutDown();
  }
  return true;
}

bool ViewerApp::drawFrame() {
  const QSize viewport = layer_->backBufferSize();
  platform::RenderStatus status = layer_->beginFrame();
  if (status == platform::kRenderOk) status = scene_->clearViewport(viewport);
  if (status != platform::kRenderOk) {
    reportError(platform::formatMessage(text::kClearFailed,
                                        std::string(platform::renderErrorName(status)).c_str()));
    return false;
  }
  status = scene_->render(model_.camera(), viewport);
  if (status == platform::kRenderOk) status = scene_->drawOverlay(viewport);
  if (status != platform::kRenderOk) {
    reportError(platform::formatMessage(text::kRenderSceneFailed,
                                        std::string(platform::renderErrorName(status)).c_str()));
    return false;
  }
  if (!layer_->present()) return false;
  model_.clearRedraw();

  if (!snapshotPath_.isEmpty()) {
    if (++snapshotFrames_ >= kSnapshotFrames)
      takeSnapshot();
    else
      model_.requestRedraw();
  }
  return true;
}

void ViewerApp::takeSnapshot() {
  const QImage image = layer_->captureWindow();
  exitCode_ = !image.isNull() && image.save(snapshotPath_, "PNG") ? 0 : 1;
  shutDown();
}

void ViewerApp::windowExposed() {
  if (!layer_ || !layer_->ready()) return;
  if (!layer_->present()) {
    reportError(text::kRenderingFailed);
    shutDown();
  }
}

void ViewerApp::windowResized() {
  if (layer_ && !layer_->windowResized()) shutDown();
}

void ViewerApp::mousePressed(QPointF position, Qt::MouseButton button) {
  if (!layer_ || !layer_->ready() || button != Qt::LeftButton) return;
  lastCursor_ = layer_->toBackBuffer(position);
  if (const auto pressed = toolbarButtonAt(lastCursor_, layer_->backBufferSize().height())) {
    pressToolbarButton(*pressed);
    return;
  }
  model_.setAutoRotation(false);
  capturing_ = true;
}

void ViewerApp::mouseMoved(QPointF position, Qt::MouseButtons buttons,
                           Qt::KeyboardModifiers modifiers) {
  if (!layer_ || !layer_->ready()) return;
  const QPoint cursor = layer_->toBackBuffer(position);
  if (capturing_ && buttons.testFlag(Qt::LeftButton)) {
    const QPoint moved = cursor - lastCursor_;
    if (modifiers.testFlag(Qt::ShiftModifier))
      model_.zoom(moved.y());
    else
      model_.drag(moved.x(), moved.y());
  } else if (toolbar_.highlight(toolbarButtonAt(cursor, layer_->backBufferSize().height()))) {
    layer_->beginFrame();
    scene_->setOverlay(toolbar_.strip());
    model_.requestRedraw();
  }
  lastCursor_ = cursor;
}

void ViewerApp::mouseReleased(QPointF, Qt::MouseButton button) {
  if (button == Qt::LeftButton) capturing_ = false;
}

void ViewerApp::keyPressed(int key, Qt::KeyboardModifiers modifiers) {
  if (const std::optional<ViewerCommand> command = acceleratorCommand(key, modifiers))
    runCommand(static_cast<int>(*command));
}

void ViewerApp::closeRequested() { shutDown(); }

void ViewerApp::pressToolbarButton(ToolbarButton button) {
  switch (button) {
    case ToolbarButton::Link: QDesktopServices::openUrl(QUrl(text::kViewerPage)); break;
    case ToolbarButton::ZoomIn: model_.zoom(-kZoomClickUnits); break;
    case ToolbarButton::ZoomOut: model_.zoom(kZoomClickUnits); break;
    case ToolbarButton::Turn: model_.setAutoRotation(true); break;
    case ToolbarButton::Menu: openMenu(QCursor::pos()); break;
  }
}

void ViewerApp::openMenu(QPoint globalPosition) {
  PopupMenuState state;
  state.currentDevice = layer_->currentDevice();
  state.currentMode = layer_->currentMode();
  state.fullScreen = layer_->fullScreen();
  state.fullScreenAvailable =
      layer_->fullScreen() ? layer_->canGoWindowed() : layer_->canGoFullScreen();
  const std::optional<int> chosen = menu_->exec(globalPosition, state);
  // Drawing paused while the menu was open.
  model_.requestRedraw();
  if (chosen) runCommand(*chosen);
}

void ViewerApp::runCommand(int command) {
  if (quitting_) return;
  if (command == static_cast<int>(ViewerCommand::Exit)) {
    shutDown();
    return;
  }
  if (!layer_ || !layer_->ready()) return;
  if (command >= kFirstModeCommand && command <= kLastModeCommand) {
    showFullScreen(command - kFirstModeCommand);
    return;
  }
  if (command >= kFirstDeviceCommand && command <= kLastDeviceCommand) {
    switchDevice(command - kFirstDeviceCommand);
    return;
  }
  const auto id = static_cast<ViewerCommand>(command);
  if (applySettingsCommand(id, settings_)) {
    applySettings();
    return;
  }
  const int modeCount = static_cast<int>(layer_->modes().size());
  switch (id) {
    case ViewerCommand::About:
      showAboutBox(window_.get(), icon_);
      model_.requestRedraw();
      break;
    case ViewerCommand::Fullscreen:
      if (layer_->fullScreen()) {
        if (!layer_->goWindowed()) shutDown();
      } else if (layer_->canGoFullScreen()) {
        showFullScreen(layer_->currentMode());
      }
      break;
    case ViewerCommand::NextMode:
      if (modeCount > 0) showFullScreen((layer_->currentMode() + 1) % modeCount);
      break;
    case ViewerCommand::PreviousMode:
      if (modeCount > 0) showFullScreen((layer_->currentMode() + modeCount - 1) % modeCount);
      break;
    case ViewerCommand::SingleStep:
      if (paused_)
        singleStep_ = true;
      else
        paused_ = true;
      break;
    case ViewerCommand::AutoTurn: model_.setAutoRotation(true); break;
    default: break;
  }
}

void ViewerApp::showFullScreen(int mode) {
  if (mode < 0 || mode >= static_cast<int>(layer_->modes().size())) return;
  if (!layer_->goFullScreen(mode)) shutDown();
}

void ViewerApp::switchDevice(int index) {
  const auto& devices = layer_->devices();
  if (index < 0 || index >= static_cast<int>(devices.size()) ||
      devices[static_cast<std::size_t>(index)].running)
    return;
  // A process keeps its OpenGL driver: the viewer starts again with software rendering,
  // showing the same panorama.
  QProcess process;
  process.setProgram(QCoreApplication::applicationFilePath());
  process.setArguments(arguments_ + QStringList{"-emulation"});
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  if (!panoramaPath_.empty())
    environment.insert(kOpenFileVariable, QFile::decodeName(panoramaPath_.c_str()));
  process.setProcessEnvironment(environment);
  if (process.startDetached())
    shutDown();
  else
    menu_->disableDevice(index);
}

void ViewerApp::applySettings() {
  layer_->beginFrame();
  scene_->applySettings(settings_);
  model_.requestRedraw();
}

void ViewerApp::reportError(const std::string& message) {
  showMessage(message + "\r\n", false);
  // Drawing paused while the box was open.
  model_.requestRedraw();
}

void ViewerApp::showMessage(const std::string& message, bool errorIcon) {
  QString shown = QString::fromStdString(message);
  shown.replace("\r\n", "\n");
  QMessageBox box(errorIcon ? QMessageBox::Critical : QMessageBox::NoIcon, text::kAppTitle, shown,
                  QMessageBox::Ok);
  ownDialog(box, window_.get());
  box.exec();
}

void ViewerApp::shutDown() {
  if (quitting_) return;
  quitting_ = true;
  if (layer_) {
    layer_->beginFrame();
    scene_.reset();
    layer_->finish();
  }
  if (window_) window_->hide();
}

}  // namespace skylacer::viewer
