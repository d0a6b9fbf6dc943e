// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/viewer_app.h"

#include <X11/keysym.h>

#include <cstdarg>
#include <cstdlib>
#include <new>
#include <thread>

#include "viewer/accelerators.h"
#include "viewer/canvas.h"
#include "viewer/first_frame.h"
#include "viewer/images.h"
#include "viewer/jpeg_rows.h"
#include "viewer/messages.h"
#include "viewer/platform/message_format.h"
#include "viewer/platform/programs.h"
#include "viewer/platform/render_layer.h"
#include "viewer/platform/scene.h"
#include "viewer/popup_menu.h"
#include "viewer/settings_commands.h"
#include "viewer/tile_upload.h"

namespace skylacer::viewer {
namespace {

using namespace std::chrono_literals;
using platform::EventType;
using platform::Point;
using platform::Size;

constexpr Size kClientSize{800, 400};
constexpr auto kFramePeriod = 30ms;
constexpr auto kIdleWait = 10ms;
constexpr auto kTooltipDelay = 500ms;
constexpr auto kNoteTime = 3s;
// Frames drawn before a snapshot is taken.
constexpr int kSnapshotFrames = 3;
// A large panorama's full picture is made in slices of this much time between frames and
// events, the reduced one showing meanwhile.
constexpr auto kUploadSlice = 40ms;
// A click on the zoom buttons is a zoom step of this many units.
constexpr int kZoomClickUnits = 10;
// One notch of the wheel zooms by this factor (up: in).
constexpr double kWheelZoom = 0.9;
constexpr int kRightButton = 3;

// The running program's own file.
const std::filesystem::path kOwnProgram = "/proc/self/exe";

std::string environmentText(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::string oneLine(std::string text) {
  for (char& c : text)
    if (c == '\n' || c == '\r') c = '|';
  return text;
}

}  // namespace

ViewerApp::ViewerApp(CommandLine commandLine, std::vector<std::string> arguments,
                     std::string programName)
    : commandLine_(std::move(commandLine)),
      arguments_(std::move(arguments)),
      programName_(std::move(programName)),
      toolbar_(toolbarNormalBitmap(), toolbarHighlightedBitmap()),
      openFileAnswer_(environmentText(kOpenFileVariable)),
      snapshotPath_(environmentText(kSnapshotVariable)),
      tracing_(std::getenv(kTraceVariable) != nullptr) {
  lastCamera_.direction = {1, 0, 0};
  lastCamera_.up = {0, 0, 1};
  lastCamera_.field = 0.005;
}

ViewerApp::~ViewerApp() {
  shutDown();
}

void ViewerApp::trace(const char* format, ...) {
  if (!tracing_) return;
  va_list arguments;
  va_start(arguments, format);
  std::vfprintf(stdout, format, arguments);
  va_end(arguments);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

int ViewerApp::run() {
  std::string failure;
  window_ = platform::XWindow::open(failure);
  if (!window_) {
    std::fprintf(stderr, text::kNoDisplay, failure.c_str());
    return 0;
  }
  if (!window_->create(text::kAppTitle, kClientSize, appIcon())) {
    std::fprintf(stderr, "%s\n", text::kCreateWindowFailed);
    window_.reset();
    return 0;
  }
  if (!commandLine_.options) {
    reportError(text::kInvalidOptions);
    return 0;
  }
  if (!startRenderer()) return 0;
  loadPanorama();
  model_.requestRedraw();

  while (!quitting_) {
    while (!quitting_) {
      const std::optional<platform::WindowEvent> event = window_->nextEvent(false);
      if (!event) break;
      handleEvent(*event);
    }
    if (quitting_) break;
    idleStep();
  }
  return exitCode_;
}

bool ViewerApp::startRenderer() {
  layer_ = std::make_unique<platform::RenderLayer>(
      *window_, [this](const std::string& message) { reportError(message); },
      [this](Size size) { backBufferCreated(size); });
  if (!layer_->start(commandLine_.options->softwareRendering())) {
    layer_.reset();
    return false;
  }
  scene_ = std::make_unique<platform::Scene>(layer_->softwareRendering());
  scene_->applySettings(settings_);
  menu_ = std::make_unique<PopupMenu>(layer_->devices(), layer_->modes());
  overlayDirty_ = true;
  return true;
}

void ViewerApp::backBufferCreated(Size size) {
  model_.setViewport(size.width, size.height);
  model_.requestRedraw();
  overlayDirty_ = true;
}

Size ViewerApp::viewSize() const {
  if (layer_ && layer_->ready()) return layer_->backBufferSize();
  return window_ ? window_->size() : kClientSize;
}

Point ViewerApp::toView(Point windowPoint) const {
  return layer_ && layer_->ready() ? layer_->toBackBuffer(windowPoint) : windowPoint;
}

void ViewerApp::loadPanorama() {
  std::optional<PanoramaSource> source;
  try {
    source = panoramaSource();
  } catch (const std::bad_alloc&) {
    showMessage(text::kLoadFailed, BoxIcon::Error);
    return;
  }
  if (!source || quitting_) return;
  fieldOfView_ = source->fieldOfView;
  // A picture that cannot be decoded leaves the window empty, without a message.
  try {
    std::unique_ptr<JpegRows> picture = JpegRows::open(std::move(source->picture));
    if (!picture) return;
    if (const int reduction = firstFrameReduction(picture->width(), picture->height());
        reduction > 1) {
      if (std::unique_ptr<JpegRows> reduced = picture->reduced(reduction)) {
        fullPicture_ = std::move(picture);
        picture = std::move(reduced);
      }
    }
    if (!showPicture(std::move(picture))) clearScene();
  } catch (const std::bad_alloc&) {
    clearScene();
  }
}

bool ViewerApp::showPicture(std::unique_ptr<JpegRows> picture) {
  if (!scene_) return true;
  layer_->beginFrame();
  const std::unique_ptr<TileUpload> upload =
      TileUpload::start(std::move(picture), fieldOfView_, *scene_);
  if (!upload) return false;
  switch (upload->step(Clock::time_point::max())) {
    case TileUpload::Progress::Working:
    case TileUpload::Progress::Damaged:
      return false;
    case TileUpload::Progress::TexturesFailed:
      texturesFailed(upload->failure());
      return true;
    case TileUpload::Progress::Done:
      break;
  }
  scene_->showNewQuads();
  model_.setPictureSize(upload->width(), upload->height(), fieldOfView_);
  if (!snapshotPath_.empty()) model_.setAutoRotation(false);
  trace("picture %dx%d", upload->width(), upload->height());
  return true;
}

void ViewerApp::continueFullPicture() {
  try {
    layer_->beginFrame();
    if (!fullUpload_) {
      // A step of its own: the start reads the picture's header and lays out the tiles.
      fullUpload_ = TileUpload::start(std::move(fullPicture_), fieldOfView_, *scene_);
      if (!fullUpload_) clearScene();
      return;
    }
    switch (fullUpload_->step(Clock::now() + kUploadSlice)) {
      case TileUpload::Progress::Working:
        return;
      case TileUpload::Progress::Damaged:
        clearScene();
        return;
      case TileUpload::Progress::TexturesFailed:
        texturesFailed(fullUpload_->failure());
        return;
      case TileUpload::Progress::Done:
        break;
    }
  } catch (const std::bad_alloc&) {
    clearScene();
    return;
  }
  scene_->showNewQuads();
  model_.resizePicture(fullUpload_->width(), fullUpload_->height());
  trace("picture %dx%d", fullUpload_->width(), fullUpload_->height());
  fullUpload_.reset();
}

void ViewerApp::texturesFailed(platform::RenderStatus status) {
  // Said once: a large panorama's full picture is not tried after its reduced one failed.
  fullPicture_.reset();
  fullUpload_.reset();
  scene_->clearQuads();
  reportError(platform::formatMessage(text::kTexturesFailed,
                                      std::string(platform::renderErrorName(status)).c_str()));
}

std::optional<PanoramaSource> ViewerApp::panoramaSource() {
  std::optional<std::vector<std::uint8_t>> program = readWholeFile(kOwnProgram);
  if (!program) {
    showMessage(text::kLoadFailed, BoxIcon::Error);
    return std::nullopt;
  }
  if (std::optional<PanoramaSource> appended = takeAppendedPanorama(*program)) return appended;
  program.reset();

  std::optional<std::filesystem::path> path;
  if (!commandLine_.picturePath.empty())
    path = commandLine_.picturePath;
  else
    path = askForPanorama();
  if (!path) return std::nullopt;
  panoramaPath_ = std::filesystem::absolute(*path);
  std::optional<std::vector<std::uint8_t>> picture = readWholeFile(panoramaPath_);
  if (!picture) {
    showMessage(text::kLoadFailed, BoxIcon::Error);
    return std::nullopt;
  }
  return PanoramaSource{std::move(*picture), kDefaultFieldOfView};
}

std::optional<std::filesystem::path> ViewerApp::askForPanorama() {
  if (!openFileAnswer_.empty()) return std::filesystem::path(openFileAnswer_);
  auto chosen = [](const platform::ProgramResult& result) -> std::optional<std::filesystem::path> {
    std::string path = result.output;
    while (!path.empty() && (path.back() == '\n' || path.back() == '\r')) path.pop_back();
    // Cancelled: no message.
    if (result.exitCode != 0 || path.empty()) return std::nullopt;
    return std::filesystem::path(path);
  };
  const std::string jpegFilter = std::string(text::kJpegFilterName) + " | " + text::kJpegPatterns;
  const std::string allFilter = std::string(text::kAllFilesFilterName) + " | *";
  if (const auto result = platform::runProgram(
          {"zenity", "--file-selection", std::string("--title=") + text::kOpenTitle,
           "--file-filter=" + jpegFilter, "--file-filter=" + allFilter}))
    return chosen(*result);
  if (const auto result =
          platform::runProgram({"kdialog", "--title", text::kOpenTitle, "--getopenfilename", ".",
                                std::string(text::kJpegPatterns) + "|" + text::kJpegFilterName +
                                    "\n*|" + text::kAllFilesFilterName}))
    return chosen(*result);
  // No file dialog here: say how to pass the file.
  showMessage(platform::formatMessage(text::kNoFileDialog, programName_.c_str()), BoxIcon::None);
  return std::nullopt;
}

void ViewerApp::clearScene() {
  fullPicture_.reset();
  fullUpload_.reset();
  if (scene_) {
    layer_->beginFrame();
    scene_->clearQuads();
  }
  model_ = CPanViewer();
  if (layer_ && layer_->ready())
    model_.setViewport(layer_->backBufferSize().width, layer_->backBufferSize().height);
  model_.requestRedraw();
}

void ViewerApp::idleStep() {
  platform::reapPrograms();
  if (quitting_) return;
  if (!layer_ || !layer_->ready() || layer_->hidden() || (paused_ && !singleStep_)) {
    if (fullUpload_ && layer_ && layer_->ready())
      continueFullPicture();
    else
      window_->waitForEvent(100);
    return;
  }
  const Clock::time_point now = Clock::now();
  if (hovered_ && !tooltip_ && now - hoverSince_ >= kTooltipDelay) {
    tooltip_ = hovered_;
    overlayDirty_ = true;
    trace("tooltip %d: %s", static_cast<int>(*tooltip_),
          std::string(toolbarTooltip(*tooltip_)).c_str());
  }
  if (!note_.empty() && now >= noteUntil_) {
    note_.clear();
    overlayDirty_ = true;
  }
  if (overlayDirty_) model_.requestRedraw();

  const auto sinceLastFrame = now - lastFrame_;
  if (sinceLastFrame < kFramePeriod) std::this_thread::sleep_for(kFramePeriod - sinceLastFrame);
  keys_.step(model_, Clock::now());
  if (!singleStep_ && !model_.needsFrame()) {
    if (fullUpload_)
      continueFullPicture();
    else
      window_->waitForEvent(static_cast<int>(kIdleWait.count()));
    return;
  }
  singleStep_ = false;
  lastFrame_ = Clock::now();
  if (!drawFrame(true)) {
    reportError(text::kRenderingFailed);
    shutDown();
    return;
  }
  if (!quitting_ && (fullPicture_ || fullUpload_)) continueFullPicture();
}

void ViewerApp::paintOverlay() {
  Canvas canvas(layer_->backBufferSize());
  toolbar_.paint(canvas);
  if (tooltip_) Toolbar::paintTooltip(canvas, *tooltip_);
  if (!note_.empty()) {
    const int width = textWidth(note_) + 16;
    const Rect place{(canvas.size().width - width) / 2, 8, width, kGlyphHeight + 10};
    canvas.fill(place, {0, 0, 0, 170});
    canvas.text({place.x + 8, place.y + 5}, note_, {255, 255, 255});
  }
  if (menu_) menu_->paint(canvas);
  if (box_ != nullptr) box_->paint(canvas);
  scene_->setOverlay(canvas.image());
  overlayDirty_ = false;
}

bool ViewerApp::drawFrame(bool advance) {
  const Size viewport = layer_->backBufferSize();
  platform::RenderStatus status = layer_->beginFrame();
  if (status == platform::kRenderOk && overlayDirty_) paintOverlay();
  if (status == platform::kRenderOk) status = scene_->clearViewport(viewport);
  if (status != platform::kRenderOk) {
    reportError(platform::formatMessage(text::kClearFailed,
                                        std::string(platform::renderErrorName(status)).c_str()));
    return false;
  }
  if (advance) lastCamera_ = model_.camera();
  status = scene_->render(lastCamera_, viewport);
  if (status == platform::kRenderOk) status = scene_->drawOverlay(viewport);
  if (status != platform::kRenderOk) {
    reportError(platform::formatMessage(text::kRenderSceneFailed,
                                        std::string(platform::renderErrorName(status)).c_str()));
    return false;
  }
  if (!layer_->present()) return false;
  if (!advance) return true;
  model_.clearRedraw();
  trace("frame yaw=%.6f pitch=%.6f field=%.8f turning=%d fullscreen=%d view=%dx%d", model_.yaw(),
        model_.pitch(), model_.field(), model_.autoRotation() ? 1 : 0, layer_->fullScreen() ? 1 : 0,
        viewport.width, viewport.height);

  if (!snapshotPath_.empty()) {
    // The snapshot shows the full picture.
    if (!fullPicture_ && !fullUpload_ && ++snapshotFrames_ >= kSnapshotFrames)
      takeSnapshot();
    else
      model_.requestRedraw();
  }
  return true;
}

void ViewerApp::takeSnapshot() {
  const platform::RgbaImage image = window_->capture();
  bool saved = false;
  if (image.width > 0) {
    const std::vector<std::uint8_t> png = encodePng(image);
    std::FILE* file = std::fopen(snapshotPath_.c_str(), "wb");
    if (file != nullptr) {
      saved = std::fwrite(png.data(), 1, png.size(), file) == png.size();
      saved = std::fclose(file) == 0 && saved;
    }
  }
  exitCode_ = saved ? 0 : 1;
  shutDown();
}

void ViewerApp::presentModal() {
  if (box_ != nullptr) box_->layout(viewSize());
  if (layer_ && layer_->ready() && scene_) {
    overlayDirty_ = true;
    if (!drawFrame(false)) shutDown();
    return;
  }
  // No OpenGL: the box alone, through X.
  Canvas canvas(window_->size());
  canvas.fill({0, 0, canvas.size().width, canvas.size().height}, {32, 32, 32});
  if (box_ != nullptr) box_->paint(canvas);
  window_->putImage(canvas.image());
}

void ViewerApp::handleEvent(const platform::WindowEvent& event) {
  switch (event.type) {
    case EventType::Exposed:
      // The back buffer still holds the last frame, also while drawing is paused.
      if (layer_ && layer_->ready() && !layer_->present()) {
        reportError(text::kRenderingFailed);
        shutDown();
      }
      break;
    case EventType::Resized:
      if (layer_ && !layer_->windowResized()) shutDown();
      break;
    case EventType::ButtonDown:
      mousePressed(event.position, event.button);
      break;
    case EventType::ButtonUp:
      if (event.button == platform::kLeftButton) capturing_ = false;
      break;
    case EventType::Moved:
      mouseMoved(event.position, event.leftHeld, event.modifiers);
      break;
    case EventType::KeyDown:
      keyPressed(event.key, event.modifiers, event.repeat);
      break;
    case EventType::KeyUp:
      keyReleased(event.key, event.modifiers);
      break;
    case EventType::CloseRequest:
      shutDown();
      break;
    case EventType::FocusLost:
      keys_.releaseAll();
      break;
    case EventType::PointerLeft:
      if (toolbar_.highlight(std::nullopt) || tooltip_) overlayDirty_ = true;
      hovered_.reset();
      tooltip_.reset();
      break;
    case EventType::FocusGained:
      break;
  }
}

void ViewerApp::mousePressed(Point position, int button) {
  if (!layer_ || !layer_->ready()) return;
  const Point at = toView(position);
  if (button == platform::kWheelUp || button == platform::kWheelDown) {
    model_.zoomBy(button == platform::kWheelUp ? kWheelZoom : 1 / kWheelZoom);
    return;
  }
  if (button == kRightButton) {
    openMenu(at);
    return;
  }
  if (button != platform::kLeftButton) return;
  lastCursor_ = at;
  if (const auto pressed = toolbarButtonAt(at, layer_->backBufferSize().height)) {
    pressToolbarButton(*pressed, at);
    return;
  }
  // A click in the view stops the automatic turn.
  model_.setAutoRotation(false);
  model_.requestRedraw();
  capturing_ = true;
}

void ViewerApp::mouseMoved(Point position, bool leftHeld, unsigned modifiers) {
  if (!layer_ || !layer_->ready()) return;
  const Point cursor = toView(position);
  if (capturing_ && leftHeld) {
    const Point moved = cursor - lastCursor_;
    if (modifiers & platform::kShift)
      model_.zoom(moved.y);
    else
      model_.drag(moved.x, moved.y);
  } else {
    const std::optional<ToolbarButton> over =
        toolbarButtonAt(cursor, layer_->backBufferSize().height);
    if (toolbar_.highlight(over)) {
      overlayDirty_ = true;
      tooltip_.reset();
      hovered_ = over;
      hoverSince_ = Clock::now();
    }
  }
  lastCursor_ = cursor;
}

void ViewerApp::keyPressed(unsigned key, unsigned modifiers, bool repeat) {
  if (const std::optional<NavigationKey> navigation = navigationKey(key, modifiers)) {
    keys_.press(*navigation, model_, Clock::now());
    return;
  }
  if (repeat && key != XK_space) return;
  if (const std::optional<ViewerCommand> command = acceleratorCommand(key, modifiers))
    runCommand(static_cast<int>(*command));
}

void ViewerApp::keyReleased(unsigned key, unsigned modifiers) {
  if (const std::optional<NavigationKey> navigation =
          navigationKey(key, modifiers & ~(platform::kControl | platform::kAlt)))
    keys_.release(*navigation);
}

void ViewerApp::pressToolbarButton(ToolbarButton button, Point at) {
  switch (button) {
    case ToolbarButton::Link:
      openViewerPage();
      break;
    case ToolbarButton::ZoomIn:
      model_.zoom(-kZoomClickUnits);
      break;
    case ToolbarButton::ZoomOut:
      model_.zoom(kZoomClickUnits);
      break;
    case ToolbarButton::Turn:
      model_.setAutoRotation(true);
      model_.requestRedraw();
      break;
    case ToolbarButton::Menu:
      openMenu(at);
      break;
  }
}

void ViewerApp::showNote(std::string note) {
  note_ = std::move(note);
  noteUntil_ = Clock::now() + kNoteTime;
  overlayDirty_ = true;
  model_.requestRedraw();
}

void ViewerApp::openViewerPage() {
  trace("page %s", text::kViewerPage);
  if (platform::startProgram({"xdg-open", text::kViewerPage}))
    showNote(platform::formatMessage(text::kOpeningPage, text::kViewerPage));
  else
    showMessage(platform::formatMessage(text::kNoBrowser, text::kViewerPage), BoxIcon::None);
}

void ViewerApp::openMenu(Point at) {
  PopupMenuState state;
  state.currentDevice = layer_->currentDevice();
  state.currentMode = layer_->currentMode();
  state.fullScreen = layer_->fullScreen();
  state.fullScreenAvailable =
      layer_->fullScreen() ? layer_->canGoWindowed() : layer_->canGoFullScreen();
  tooltip_.reset();
  menu_->open(at, viewSize(), state);
  auto traceItems = [this](int level) {
    const std::vector<MenuItem>& items =
        level == 0 ? menu_->items()
                   : menu_->items()[static_cast<std::size_t>(menu_->openSubmenu())].submenu;
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
      const Rect place = *menu_->itemRect(level, i);
      const MenuItem& item = items[static_cast<std::size_t>(i)];
      trace("menu %d %d %d,%d,%d,%d checked=%d enabled=%d %s", level, i, place.x, place.y,
            place.width, place.height, item.checked ? 1 : 0, item.enabled ? 1 : 0,
            oneLine(item.text).c_str());
    }
  };
  traceItems(0);
  std::optional<int> chosen;
  int shownSubmenu = -1;
  runModal([this] { return !menu_->isOpen(); },
           [&](const platform::WindowEvent& event) {
             bool changed = true;
             if (event.type == EventType::Moved)
               changed = menu_->hover(toView(event.position));
             else if (event.type == EventType::ButtonDown &&
                      (event.button == platform::kLeftButton || event.button == kRightButton))
               chosen = menu_->click(toView(event.position));
             else if (event.type == EventType::KeyDown)
               chosen = menu_->key(event.key);
             else
               changed = false;
             if (menu_->isOpen() && menu_->openSubmenu() != shownSubmenu) {
               shownSubmenu = menu_->openSubmenu();
               if (shownSubmenu >= 0) traceItems(1);
             }
             return changed;
           });
  menu_->close();
  trace("menu closed %d", chosen.value_or(0));
  if (chosen) runCommand(*chosen);
}

void ViewerApp::runModal(const std::function<bool()>& done,
                         const std::function<bool(const platform::WindowEvent&)>& handle) {
  bool repaint = true;
  while (!done() && !quitting_) {
    if (repaint) presentModal();
    const std::optional<platform::WindowEvent> event = window_->nextEvent(true);
    repaint = event.has_value();
    if (!event) continue;
    switch (event->type) {
      case EventType::CloseRequest:
        shutDown();
        break;
      case EventType::Resized:
        if (layer_ && !layer_->windowResized()) shutDown();
        break;
      case EventType::Exposed:
        break;
      default:
        repaint = handle(*event);
    }
  }
  overlayDirty_ = true;
  // Drawing paused while the menu or box was open.
  model_.requestRedraw();
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
    case ViewerCommand::About: {
      MessageBox about(text::kAboutTitle, std::string(text::kAppTitle) + "\n\n" + text::kAboutLine,
                       BoxIcon::App);
      runBox(about);
      break;
    }
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
    case ViewerCommand::AutoTurn:
      model_.setAutoRotation(true);
      model_.requestRedraw();
      break;
    default:
      break;
  }
}

void ViewerApp::showFullScreen(int mode) {
  if (mode >= static_cast<int>(layer_->modes().size())) return;
  if (!layer_->goFullScreen(mode)) shutDown();
  model_.requestRedraw();
}

void ViewerApp::switchDevice(int index) {
  const auto& devices = layer_->devices();
  if (index < 0 || index >= static_cast<int>(devices.size()) ||
      devices[static_cast<std::size_t>(index)].running)
    return;
  // A process keeps its OpenGL driver: the viewer starts again with software rendering,
  // showing the same panorama.
  std::vector<std::string> arguments{programName_};
  for (const std::string& argument : arguments_)
    if (argument != commandLine_.picturePath) arguments.push_back(argument);
  arguments.push_back("-emulation");
  if (!panoramaPath_.empty()) arguments.push_back(panoramaPath_.string());
  platform::restartSelf(arguments);
  menu_->disableDevice(index);
}

void ViewerApp::applySettings() {
  layer_->beginFrame();
  scene_->applySettings(settings_);
  model_.requestRedraw();
}

void ViewerApp::reportError(const std::string& message) {
  showMessage(message + "\r\n", BoxIcon::None);
}

void ViewerApp::showMessage(const std::string& message, BoxIcon icon) {
  MessageBox box(text::kAppTitle, message, icon);
  runBox(box);
}

void ViewerApp::runBox(MessageBox& box) {
  std::string all;
  for (const std::string& line : box.lines()) all += line + "\n";
  trace("box %s: %s", box.title().c_str(), oneLine(all).c_str());
  if (!window_) {
    std::fprintf(stderr, "%s", all.c_str());
    return;
  }
  MessageBox* outer = box_;
  box_ = &box;
  tooltip_.reset();
  runModal([&box] { return box.closed(); },
           [this, &box](const platform::WindowEvent& event) {
             if (event.type == EventType::ButtonDown && event.button == platform::kLeftButton)
               box.click(toView(event.position));
             else if (event.type == EventType::KeyDown)
               box.key(event.key);
             return event.type != EventType::Moved;
           });
  trace("box closed");
  box_ = outer;
}

void ViewerApp::shutDown() {
  if (quitting_) return;
  quitting_ = true;
  if (layer_) {
    layer_->beginFrame();
    scene_.reset();
    layer_->finish();
  }
  window_.reset();
}

}  // namespace skylacer::viewer
