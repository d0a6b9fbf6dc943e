// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/platform/render_layer.h"

#include <cstring>
#include <string_view>

#include "viewer/platform/library_functions.h"
#include "viewer/platform/message_format.h"
#include "viewer/platform/screen_modes.h"

namespace skylacer::viewer::platform {
namespace {

std::string statusText(const char* format, RenderStatus status) {
  return formatMessage(format, std::string(renderErrorName(status)).c_str());
}

// Framebuffer objects with blit: OpenGL 3.0, or the extensions that brought them.
bool hasFramebufferBlit() {
  const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  if (version != nullptr && version[0] >= '3' && version[0] <= '9') return true;
  const auto* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  return extensions != nullptr && std::strstr(extensions, "GL_ARB_framebuffer_object") != nullptr;
}

}  // namespace

RenderLayer::RenderLayer(XWindow& window, ErrorReport report, BackBufferCreated created)
    : window_(window), report_(std::move(report)), created_(std::move(created)) {}

RenderLayer::~RenderLayer() {
  finish();
}

bool RenderLayer::start(bool softwareRequested) {
  if (!window_.createContext()) {
    report_(statusText(text::kCreateDeviceFailed, kContextNotCreated));
    return false;
  }
  contextMade_ = true;
  if (!hasFramebufferBlit() || !gl_.load()) {
    report_(text::kNoDeviceForDepth);
    finish();
    return false;
  }
  const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  devices_ = renderDevices(renderer != nullptr ? renderer : "OpenGL", softwareRequested);
  modes_ = fullScreenModes(screenDisplayModes(window_.display(), window_.screenDepth()));
  currentMode_ = defaultFullScreenMode(modes_);

  if (const RenderStatus status = createBackBuffer(window_.size()); status != kRenderOk) {
    reportBackBufferFailure(status, window_.size());
    finish();
    return false;
  }
  ready_ = true;
  return true;
}

void RenderLayer::finish() {
  ready_ = false;
  if (contextMade_) {
    window_.makeCurrent();
    releaseBackBuffer();
  }
  contextMade_ = false;
}

bool RenderLayer::hidden() const {
  return !window_.mapped() || (fullScreen() && !window_.focused());
}

RenderStatus RenderLayer::createBackBuffer(Size size) {
  window_.makeCurrent();
  releaseBackBuffer();
  if (size.empty()) size = {1, 1};
  while (glGetError() != GL_NO_ERROR) {
  }
  gl_.genRenderbuffers(1, &colourBuffer_);
  gl_.bindRenderbuffer(GL_RENDERBUFFER, colourBuffer_);
  gl_.renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, size.width, size.height);
  if (const GLenum error = glGetError(); error != GL_NO_ERROR) {
    releaseBackBuffer();
    return error;
  }
  gl_.genFramebuffers(1, &framebuffer_);
  gl_.bindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  gl_.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colourBuffer_);
  if (const GLenum status = gl_.checkFramebufferStatus(GL_FRAMEBUFFER);
      status != GL_FRAMEBUFFER_COMPLETE) {
    releaseBackBuffer();
    return status;
  }
  glViewport(0, 0, size.width, size.height);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  backBufferSize_ = size;
  created_(size);
  return kRenderOk;
}

void RenderLayer::releaseBackBuffer() {
  if (framebuffer_ != 0) {
    gl_.bindFramebuffer(GL_FRAMEBUFFER, 0);
    gl_.deleteFramebuffers(1, &framebuffer_);
    framebuffer_ = 0;
  }
  if (colourBuffer_ != 0) {
    gl_.deleteRenderbuffers(1, &colourBuffer_);
    colourBuffer_ = 0;
  }
  backBufferSize_ = {};
}

void RenderLayer::reportBackBufferFailure(RenderStatus status, Size size) {
  if (status == GL_OUT_OF_MEMORY)
    report_(fullScreen() ? text::kFullScreenVideoMemory : text::kWindowVideoMemory);
  else if (fullScreen())
    report_(formatMessage(text::kSetDisplayModeFailed, size.width, size.height,
                          window_.screenDepth(), std::string(renderErrorName(status)).c_str()));
  else
    report_(statusText(text::kCreateDeviceFailed, status));
}

bool RenderLayer::goFullScreen(int index) {
  if (index >= static_cast<int>(modes_.size())) return false;
  if (index >= 0) currentMode_ = index;
  Size size = window_.screenSize();
  if (index >= 0) {
    const DisplayMode& mode = modes_[static_cast<std::size_t>(index)];
    size = {mode.width, mode.height};
  }
  window_.setFullScreen(true);
  if (const RenderStatus status = createBackBuffer(size); status != kRenderOk) {
    reportBackBufferFailure(status, size);
    return false;
  }
  return true;
}

bool RenderLayer::goWindowed() {
  if (!fullScreen()) return true;
  window_.setFullScreen(false);
  const Size size = window_.size();
  if (const RenderStatus status = createBackBuffer(size); status != kRenderOk) {
    reportBackBufferFailure(status, size);
    return false;
  }
  return true;
}

bool RenderLayer::windowResized() {
  if (!ready_ || fullScreen()) return true;
  const Size size = window_.size();
  if (size == backBufferSize_) return true;
  if (const RenderStatus status = createBackBuffer(size); status != kRenderOk) {
    reportBackBufferFailure(status, size);
    return false;
  }
  return true;
}

RenderStatus RenderLayer::beginFrame() {
  if (!contextMade_) return kContextNotCurrent;
  window_.makeCurrent();
  gl_.bindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  return kRenderOk;
}

bool RenderLayer::present() {
  if (!ready_ || !window_.mapped()) return true;
  const char* failure = fullScreen() ? text::kFlipFailed : text::kBltFailed;
  if (const RenderStatus status = beginFrame(); status != kRenderOk) {
    report_(statusText(failure, status));
    return false;
  }
  const Size target = window_.size();
  gl_.bindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
  gl_.bindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
  const bool scaled = !(target == backBufferSize_);
  gl_.blitFramebuffer(0, 0, backBufferSize_.width, backBufferSize_.height, 0, 0, target.width,
                      target.height, GL_COLOR_BUFFER_BIT, scaled ? GL_LINEAR : GL_NEAREST);
  if (const GLenum error = glGetError(); error != GL_NO_ERROR) {
    report_(statusText(failure, error));
    return false;
  }
  window_.swapBuffers();
  gl_.bindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  return true;
}

Point RenderLayer::toBackBuffer(Point windowPoint) const {
  const Size window = window_.size();
  if (window.empty() || window == backBufferSize_) return windowPoint;
  return {windowPoint.x * backBufferSize_.width / window.width,
          windowPoint.y * backBufferSize_.height / window.height};
}

}  // namespace skylacer::viewer::platform
