// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The retained scene the viewer renders: textured quads seen from a camera at the origin, the
// device settings, a white ambient light, and an overlay (toolbar, menus, boxes) drawn over the
// view. Draws into whatever framebuffer is bound; the layer's context must be current for every
// call, the destructor included.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "viewer/platform/device_settings.h"
#include "viewer/platform/geometry.h"
#include "viewer/platform/gl_functions.h"
#include "viewer/platform/render_errors.h"
#include "viewer/platform/scene_types.h"
#include "viewer/platform/texture_pages.h"
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

  // Starts a new set of quads, each with its own texture of size × size texels (row 0 first,
  // v = 0), in full rows of `columns` quads in the order given (std::invalid_argument
  // otherwise); their rows come later (setQuadRows).
  // The new set is not drawn until showNewQuads, the shown quads staying until then; an
  // earlier new set is dropped. Returns the OpenGL status.
  RenderStatus beginQuads(int size, int columns, std::span<const TexturedQuad> quads);
  // Sets texture rows firstRow .. firstRow + count - 1 of the new set's quad `index`: count ×
  // size texels of 3 bytes (blue, green, red). The rows that end the textures of a page make
  // its mip levels while mip-mapping is on. Returns the OpenGL status of the upload.
  RenderStatus setQuadRows(std::size_t index, int firstRow, int count,
                           std::span<const std::uint8_t> rows);
  // The new set replaces the shown quads, whose textures are freed.
  void showNewQuads();
  // Removes every quad, shown or new, and frees the textures.
  void clearQuads();

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
  // Quads with their textures on shared pages (texture_pages.h).
  struct QuadSet {
    int size = 0;
    std::size_t count = 0;
    std::optional<TexturePages> layout;
    std::vector<unsigned> pages;  // a texture a page
    std::vector<bool> made;       // whether a page's storage has been made
    // The textures of each page whose last rows have not come yet.
    std::vector<int> unfinished;
    // The quads of each page, with the page's texture coordinates.
    std::vector<std::vector<TexturedQuad>> quads;
  };

  void release(QuadSet& set);
  // Sets the filtering of the bound texture from the settings.
  void setFilterParameters();
  RenderStatus takeError();

  GlFunctions gl_;
  QuadSet shown_;
  QuadSet coming_;
  int maxPageWidth_ = 0;
  DeviceSettings settings_;
  bool compactTextures_;
  std::vector<std::uint16_t> packedRows_;  // rows of 16-bit texels on their way to a texture
  bool mipmapsBuilt_ = false;
  unsigned overlayTexture_ = 0;
  Size overlaySize_;
  Size overlayTextureSize_;
};

}  // namespace skylacer::viewer::platform
