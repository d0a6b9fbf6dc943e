#include "viewer/platform/render_layer.h"

#include <QGuiApplication>
#include <QOpenGLContext>
#include <QOpenGLExtraFunctions>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions_2_1>
#include <QOpenGLVersionFunctionsFactory>
#include <QPixmap>
#include <QScreen>
#include <algorithm>
#include <cmath>

#include "viewer/platform/message_format.h"
#include "viewer/platform/screen_modes.h"

namespace skylacer::viewer::platform {
namespace {

std::string statusText(const char* format, RenderStatus status) {
  return formatMessage(format, std::string(renderErrorName(status)).c_str());
}

}  // namespace

RenderLayer::RenderLayer(RenderWindow& window, ErrorReport report, BackBufferCreated created)
    : window_(window), report_(std::move(report)), created_(std::move(created)) {}

RenderLayer::~RenderLayer() { finish(); }

QOpenGLFunctions& RenderLayer::functions() const { return *context_->functions(); }

bool RenderLayer::start(bool softwareRequested) {
  context_ = std::make_unique<QOpenGLContext>();
  context_->setFormat(window_.requestedFormat());
  if (!context_->create()) {
    report_(statusText(text::kCreateDeviceFailed, kContextNotCreated));
    finish();
    return false;
  }
  if (!context_->makeCurrent(&window_)) {
    report_(statusText(text::kCreateDeviceFailed, kContextNotCurrent));
    finish();
    return false;
  }
  gl21_ = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_2_1>(context_.get());
  if (gl21_ == nullptr || !gl21_->initializeOpenGLFunctions() ||
      !QOpenGLFramebufferObject::hasOpenGLFramebufferBlit()) {
    report_(text::kNoDeviceForDepth);
    finish();
    return false;
  }

  const auto* renderer = reinterpret_cast<const char*>(gl21_->glGetString(GL_RENDERER));
  devices_ = renderDevices(renderer != nullptr ? renderer : "OpenGL", softwareRequested);
  const QScreen* screen = window_.screen();
  modes_ = fullScreenModes(screenDisplayModes(screen != nullptr ? screen->depth() : 24));
  currentMode_ = defaultFullScreenMode(modes_);

  const QSize size = windowPixelSize();
  if (const RenderStatus status = createBackBuffer(size); status != kRenderOk) {
    reportBackBufferFailure(status, size);
    finish();
    return false;
  }
  ready_ = true;
  return true;
}

void RenderLayer::finish() {
  ready_ = false;
  if (context_ && context_->makeCurrent(&window_)) releaseBackBuffer();
  context_.reset();
  gl21_ = nullptr;
}

bool RenderLayer::hidden() const {
  return window_.minimised() || (fullScreen_ && !window_.isActive());
}

QSize RenderLayer::windowPixelSize() const {
  const qreal ratio = window_.devicePixelRatio();
  return QSize(std::max(1, static_cast<int>(std::lround(window_.width() * ratio))),
               std::max(1, static_cast<int>(std::lround(window_.height() * ratio))));
}

RenderStatus RenderLayer::createBackBuffer(QSize size) {
  if (!context_->makeCurrent(&window_)) return kContextNotCurrent;
  releaseBackBuffer();
  QOpenGLFunctions& f = functions();
  while (f.glGetError() != GL_NO_ERROR) {
  }
  f.glGenRenderbuffers(1, &colourBuffer_);
  f.glBindRenderbuffer(GL_RENDERBUFFER, colourBuffer_);
  f.glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, size.width(), size.height());
  if (const GLenum error = f.glGetError(); error != GL_NO_ERROR) {
    releaseBackBuffer();
    return error;
  }
  f.glGenFramebuffers(1, &framebuffer_);
  f.glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  f.glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                              colourBuffer_);
  if (const GLenum status = f.glCheckFramebufferStatus(GL_FRAMEBUFFER);
      status != GL_FRAMEBUFFER_COMPLETE) {
    releaseBackBuffer();
    return status;
  }
  f.glViewport(0, 0, size.width(), size.height());
  f.glClearColor(0, 0, 0, 1);
  f.glClear(GL_COLOR_BUFFER_BIT);
  backBufferSize_ = size;
  created_(size);
  return kRenderOk;
}

void RenderLayer::releaseBackBuffer() {
  QOpenGLFunctions& f = functions();
  if (framebuffer_ != 0) {
    f.glBindFramebuffer(GL_FRAMEBUFFER, context_->defaultFramebufferObject());
    f.glDeleteFramebuffers(1, &framebuffer_);
    framebuffer_ = 0;
  }
  if (colourBuffer_ != 0) {
    f.glDeleteRenderbuffers(1, &colourBuffer_);
    colourBuffer_ = 0;
  }
  backBufferSize_ = QSize();
}

void RenderLayer::reportBackBufferFailure(RenderStatus status, QSize size) {
  if (status == GL_OUT_OF_MEMORY)
    report_(fullScreen_ ? text::kFullScreenVideoMemory : text::kWindowVideoMemory);
  else if (fullScreen_)
    report_(formatMessage(text::kSetDisplayModeFailed, size.width(), size.height(),
                          modes_[static_cast<std::size_t>(currentMode_)].bitsPerPixel,
                          std::string(renderErrorName(status)).c_str()));
  else
    report_(statusText(text::kCreateDeviceFailed, status));
}

bool RenderLayer::goFullScreen(int index) {
  if (index < 0 || index >= static_cast<int>(modes_.size())) return false;
  if (!fullScreen_) windowedGeometry_ = window_.geometry();
  fullScreen_ = true;
  currentMode_ = index;
  const DisplayMode& mode = modes_[static_cast<std::size_t>(index)];
  const QSize size(mode.width, mode.height);
  if (const RenderStatus status = createBackBuffer(size); status != kRenderOk) {
    reportBackBufferFailure(status, size);
    return false;
  }
  if (const QScreen* screen = window_.screen()) window_.setGeometry(screen->geometry());
  window_.showFullScreen();
  return true;
}

bool RenderLayer::goWindowed() {
  if (!fullScreen_) return true;
  fullScreen_ = false;
  window_.showNormal();
  window_.setGeometry(windowedGeometry_);
  const QSize size = windowPixelSize();
  if (const RenderStatus status = createBackBuffer(size); status != kRenderOk) {
    reportBackBufferFailure(status, size);
    return false;
  }
  return true;
}

bool RenderLayer::windowResized() {
  if (!ready_ || fullScreen_) return true;
  const QSize size = windowPixelSize();
  if (size == backBufferSize_) return true;
  if (const RenderStatus status = createBackBuffer(size); status != kRenderOk) {
    reportBackBufferFailure(status, size);
    return false;
  }
  return true;
}

RenderStatus RenderLayer::beginFrame() {
  if (!context_ || !context_->makeCurrent(&window_)) return kContextNotCurrent;
  functions().glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  return kRenderOk;
}

bool RenderLayer::present() {
  if (!ready_ || !window_.isExposed()) return true;
  const char* failure = fullScreen_ ? text::kFlipFailed : text::kBltFailed;
  if (const RenderStatus status = beginFrame(); status != kRenderOk) {
    report_(statusText(failure, status));
    return false;
  }
  QOpenGLExtraFunctions& f = *context_->extraFunctions();
  const QSize target = windowPixelSize();
  f.glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
  f.glBindFramebuffer(GL_DRAW_FRAMEBUFFER, context_->defaultFramebufferObject());
  const bool scaled = target != backBufferSize_;
  f.glBlitFramebuffer(0, 0, backBufferSize_.width(), backBufferSize_.height(), 0, 0,
                      target.width(), target.height(), GL_COLOR_BUFFER_BIT,
                      scaled ? GL_LINEAR : GL_NEAREST);
  if (const GLenum error = f.glGetError(); error != GL_NO_ERROR) {
    report_(statusText(failure, error));
    return false;
  }
  context_->swapBuffers(&window_);
  f.glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  return true;
}

QPoint RenderLayer::toBackBuffer(QPointF windowPoint) const {
  if (window_.width() < 1 || window_.height() < 1) return windowPoint.toPoint();
  return QPoint(static_cast<int>(std::floor(windowPoint.x() * backBufferSize_.width() / window_.width())),
                static_cast<int>(std::floor(windowPoint.y() * backBufferSize_.height() / window_.height())));
}

QImage RenderLayer::captureWindow() const {
  QScreen* screen = window_.screen();
  if (screen == nullptr) return {};
  return screen->grabWindow(window_.winId()).toImage();
}

}  // namespace skylacer::viewer::platform
