#pragma once

// The retained scene the viewer renders: textured quads seen from a camera at the origin, the
// device settings, a white ambient light, and an overlay drawn over the bottom-left corner.
// Draws into whatever framebuffer is bound; the layer's context must be current for every
// call, the destructor included.

#include <QImage>
#include <QSize>
#include <cstdint>
#include <span>
#include <vector>

#include "viewer/platform/device_settings.h"
#include "viewer/platform/render_errors.h"
#include "viewer/platform/scene_types.h"

class QOpenGLFunctions;
class QOpenGLFunctions_2_1;

namespace skylacer::viewer::platform {

class Scene {
 public:
  // The functions of the current context; they must outlive the scene.
  Scene(QOpenGLFunctions_2_1& gl, QOpenGLFunctions& functions);
  ~Scene();
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;

  // Adds a quad with its own texture: size × size texels of 3 bytes (blue, green, red), row 0
  // first (v = 0). Returns the OpenGL status of the upload.
  RenderStatus addQuad(std::span<const std::uint8_t> texture, int size, const TexturedQuad& quad);
  // Removes every quad and frees the textures.
  void clearQuads();
  std::size_t quadCount() const { return quads_.size(); }

  // Takes the device settings at once (texture filtering of every texture included).
  void applySettings(const DeviceSettings& settings);
  const DeviceSettings& settings() const { return settings_; }

  // The overlay's pixels; white pixels are transparent (source colour key).
  void setOverlay(const QImage& image);

  // Clears the viewport (the bound framebuffer's rectangle from the origin) to black.
  RenderStatus clearViewport(QSize viewport);
  // Renders the quads from the camera.
  RenderStatus render(const CameraFrame& camera, QSize viewport);
  // Copies the overlay into the bottom-left corner, pixel for pixel.
  RenderStatus drawOverlay(QSize viewport);

 private:
  struct Quad {
    unsigned texture = 0;
    TexturedQuad corners;
  };

  // Sets the filtering of the bound texture from the settings.
  void setFilterParameters();
  RenderStatus takeError();

  QOpenGLFunctions_2_1& gl_;
  QOpenGLFunctions& functions_;
  std::vector<Quad> quads_;
  DeviceSettings settings_;
  bool mipmapsBuilt_ = false;
  unsigned overlayTexture_ = 0;
  QSize overlaySize_;
};

}  // namespace skylacer::viewer::platform
