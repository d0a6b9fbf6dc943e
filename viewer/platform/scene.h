#pragma once

// The retained scene the viewer renders: textured quads seen from a camera at the origin, the
// device settings, a white ambient light, and an overlay (toolbar, menus, boxes) drawn over the
// view. Draws into whatever framebuffer is bound; the layer's context must be current for every
// call, the destructor included.

#include <cstdint>
#include <span>
#include <vector>

#include "viewer/platform/device_settings.h"
#include "viewer/platform/geometry.h"
#include "viewer/platform/gl_functions.h"
#include "viewer/platform/render_errors.h"
#include "viewer/platform/scene_types.h"
#include "viewer/platform/x_window.h"

namespace skylacer::viewer::platform {

class Scene {
 public:
  // compactTextures: the quads' textures keep 16 bits a texel (5-6-5) instead of 32. Meant for
  // software renderers, whose textures take the process's own memory, 4 bytes a texel at full
  // depth: the panorama's textures would then hold more than the picture's own pixels.
  explicit Scene(bool compactTextures);
  ~Scene();
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;

  // Adds a quad with its own texture of size × size texels, row 0 first (v = 0), whose rows
  // come later (setQuadRows). Returns the OpenGL status.
  RenderStatus addQuad(int size, const TexturedQuad& quad);
  // Sets texture rows firstRow .. firstRow + count - 1 of quad `index` (in the order added):
  // count × size texels of 3 bytes (blue, green, red). The rows that end the texture make its
  // mip levels while mip-mapping is on. Returns the OpenGL status of the upload.
  RenderStatus setQuadRows(std::size_t index, int firstRow, int count,
                           std::span<const std::uint8_t> rows);
  // Removes every quad and frees the textures.
  void clearQuads();
  std::size_t quadCount() const { return quads_.size(); }

  // Takes the device settings at once (texture filtering of every texture included).
  void applySettings(const DeviceSettings& settings);
  const DeviceSettings& settings() const { return settings_; }

  // The overlay's pixels (RGBA, blended by their alpha), drawn with its top-left corner at the
  // viewport's top-left corner, pixel for pixel.
  void setOverlay(const RgbaImage& image);

  // Clears the viewport (the bound framebuffer's rectangle from the origin) to black.
  RenderStatus clearViewport(Size viewport);
  // Renders the quads from the camera.
  RenderStatus render(const CameraFrame& camera, Size viewport);
  // Draws the overlay.
  RenderStatus drawOverlay(Size viewport);

 private:
  struct Quad {
    unsigned texture = 0;
    int size = 0;
    TexturedQuad corners;
  };

  // Sets the filtering of the bound texture from the settings.
  void setFilterParameters();
  RenderStatus takeError();

  GlFunctions gl_;
  std::vector<Quad> quads_;
  DeviceSettings settings_;
  bool compactTextures_;
  std::vector<std::uint16_t> packedRows_;  // rows of 16-bit texels on their way to a texture
  bool mipmapsBuilt_ = false;
  unsigned overlayTexture_ = 0;
  Size overlaySize_;
  Size overlayTextureSize_;
};

}  // namespace skylacer::viewer::platform
