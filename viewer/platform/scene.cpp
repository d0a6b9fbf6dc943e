// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/platform/scene.h"

#include <algorithm>
#include <stdexcept>

#include "viewer/platform/library_functions.h"
#include "viewer/platform/view_transform.h"

namespace skylacer::viewer::platform {
namespace {

constexpr GLfloat kWhite[] = {1, 1, 1, 1};
// Pages of textures no wider than this, even where the driver allows wider ones.
constexpr int kMaxPageWidth = 4096;

GLenum polygonMode(FillMode fill) {
  switch (fill) {
    case FillMode::Points:
      return GL_POINT;
    case FillMode::Wireframe:
      return GL_LINE;
    case FillMode::Solid:
      break;
  }
  return GL_FILL;
}

// Blue-green-red texels as 5-6-5 ones (red in the high bits), each channel rounded.
void packRgb565(std::span<const std::uint8_t> bgr, std::span<std::uint16_t> packed) {
  for (std::size_t i = 0; i < packed.size(); ++i) {
    const unsigned blue = bgr[3 * i];
    const unsigned green = bgr[3 * i + 1];
    const unsigned red = bgr[3 * i + 2];
    packed[i] = static_cast<std::uint16_t>((red * 31 + 127) / 255 << 11 |
                                           (green * 63 + 127) / 255 << 5 | (blue * 31 + 127) / 255);
  }
}

}  // namespace

Scene::Scene(bool compactTextures) : compactTextures_(compactTextures) {
  gl_.load();
  GLint maxTextureSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize);
  maxPageWidth_ = std::min<int>(maxTextureSize, kMaxPageWidth);
  // One white ambient light of full intensity: lit texels keep their colours.
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, kWhite);
  glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, kWhite);
  glGenTextures(1, &overlayTexture_);
}

Scene::~Scene() {
  clearQuads();
  glDeleteTextures(1, &overlayTexture_);
}

RenderStatus Scene::takeError() {
  const GLenum first = glGetError();
  while (glGetError() != GL_NO_ERROR) {
  }
  return first;
}

RenderStatus Scene::beginQuads(int size, int columns, std::span<const TexturedQuad> quads) {
  takeError();
  release(coming_);
  if (quads.empty()) return kRenderOk;
  if (quads.size() % static_cast<std::size_t>(columns) != 0)
    throw std::invalid_argument("the quads do not fill their last row");
  QuadSet& set = coming_;
  set.size = size;
  set.count = quads.size();
  set.layout.emplace(size, columns, static_cast<int>(quads.size()) / columns, maxPageWidth_);
  const auto pageCount = static_cast<std::size_t>(set.layout->pageCount());
  set.quads.resize(pageCount);
  for (std::size_t i = 0; i < quads.size(); ++i)
    set.quads[static_cast<std::size_t>(set.layout->place(i).page)].push_back(
        set.layout->onPage(i, quads[i]));
  set.pages.resize(pageCount);
  glGenTextures(static_cast<GLsizei>(pageCount), set.pages.data());
  set.made.resize(pageCount);
  for (std::size_t page = 0; page < pageCount; ++page) {
    set.unfinished.push_back(set.layout->texturesOn(static_cast<int>(page)));
    glBindTexture(GL_TEXTURE_2D, set.pages[page]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    setFilterParameters();
  }
  return takeError();
}

RenderStatus Scene::setQuadRows(std::size_t index, int firstRow, int count,
                                std::span<const std::uint8_t> rows) {
  takeError();
  QuadSet& set = coming_;
  if (index >= set.count) throw std::out_of_range("no such quad");
  const PagePlace at = set.layout->place(index);
  const auto page = static_cast<std::size_t>(at.page);
  glBindTexture(GL_TEXTURE_2D, set.pages[page]);
  if (!set.made[page]) {
    // A page's storage is made when its first rows come: the driver may clear it, which for a
    // large panorama's pages all at once would stop the window for a while.
    const Size pageSize = set.layout->pageSize(at.page);
    glTexImage2D(GL_TEXTURE_2D, 0, compactTextures_ ? GL_RGB5 : GL_RGB8, pageSize.width,
                 pageSize.height, 0, GL_BGR, GL_UNSIGNED_BYTE, nullptr);
    set.made[page] = true;
  }
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  if (compactTextures_) {
    // Packed here, in the texture's own layout, so that the driver only copies the rows.
    packedRows_.resize(static_cast<std::size_t>(set.size) * static_cast<std::size_t>(count));
    packRgb565(rows.first(packedRows_.size() * 3), packedRows_);
    glTexSubImage2D(GL_TEXTURE_2D, 0, at.x, firstRow, set.size, count, GL_RGB,
                    GL_UNSIGNED_SHORT_5_6_5, packedRows_.data());
  } else {
    glTexSubImage2D(GL_TEXTURE_2D, 0, at.x, firstRow, set.size, count, GL_BGR, GL_UNSIGNED_BYTE,
                    rows.data());
  }
  if (firstRow + count == set.size && --set.unfinished[page] == 0 && mipmapsBuilt_)
    gl_.generateMipmap(GL_TEXTURE_2D);
  return takeError();
}

void Scene::showNewQuads() {
  release(shown_);
  shown_ = std::move(coming_);
  coming_ = QuadSet{};
}

void Scene::release(QuadSet& set) {
  if (!set.pages.empty())
    glDeleteTextures(static_cast<GLsizei>(set.pages.size()), set.pages.data());
  set = QuadSet{};
}

void Scene::clearQuads() {
  release(shown_);
  release(coming_);
}

void Scene::setFilterParameters() {
  GLint minifying = GL_LINEAR;
  GLint magnifying = GL_LINEAR;
  if (settings_.filter == TextureFilter::Nearest) minifying = magnifying = GL_NEAREST;
  if (settings_.filter == TextureFilter::MipMappedLinear) minifying = GL_LINEAR_MIPMAP_LINEAR;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minifying);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magnifying);
}

void Scene::applySettings(const DeviceSettings& settings) {
  const bool filterChanged = settings.filter != settings_.filter;
  settings_ = settings;
  if (!filterChanged) return;
  // Mip levels are made when mip-mapping is first chosen, and at upload from then on.
  const bool makeMipmaps = settings_.filter == TextureFilter::MipMappedLinear && !mipmapsBuilt_;
  for (const QuadSet* set : {&shown_, &coming_})
    for (std::size_t page = 0; page < set->pages.size(); ++page) {
      glBindTexture(GL_TEXTURE_2D, set->pages[page]);
      if (makeMipmaps && set->made[page]) gl_.generateMipmap(GL_TEXTURE_2D);
      setFilterParameters();
    }
  if (makeMipmaps) mipmapsBuilt_ = true;
}

void Scene::setOverlay(const RgbaImage& image) {
  glBindTexture(GL_TEXTURE_2D, overlayTexture_);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  const Size size{image.width, image.height};
  if (size == overlayTextureSize_)
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, size.width, size.height, GL_RGBA, GL_UNSIGNED_BYTE,
                    image.pixels.data());
  else
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, size.width, size.height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 image.pixels.data());
  overlayTextureSize_ = size;
  overlaySize_ = size;
}

RenderStatus Scene::clearViewport(Size viewport) {
  takeError();
  glViewport(0, 0, viewport.width, viewport.height);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  return takeError();
}

RenderStatus Scene::render(const CameraFrame& camera, Size viewport) {
  takeError();
  glViewport(0, 0, viewport.width, viewport.height);
  glMatrixMode(GL_PROJECTION);
  glLoadMatrixf(projectionMatrix(camera.field, viewport.width, viewport.height).data());
  glMatrixMode(GL_MODELVIEW);
  glLoadMatrixf(viewMatrix(camera).data());

  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glDisable(GL_BLEND);
  glEnable(GL_TEXTURE_2D);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glShadeModel(settings_.shade == ShadeMode::Flat ? GL_FLAT : GL_SMOOTH);
  glPolygonMode(GL_FRONT_AND_BACK, polygonMode(settings_.fill));
  if (settings_.dither)
    glEnable(GL_DITHER);
  else
    glDisable(GL_DITHER);
  if (settings_.lighting)
    glEnable(GL_LIGHTING);
  else
    glDisable(GL_LIGHTING);
  glColor4fv(kWhite);

  for (std::size_t page = 0; page < shown_.pages.size(); ++page) {
    glBindTexture(GL_TEXTURE_2D, shown_.pages[page]);
    glBegin(GL_QUADS);
    for (const TexturedQuad& quad : shown_.quads[page])
      for (const TexturedVertex& corner : quad) {
        glTexCoord2f(corner.u, corner.v);
        glVertex3f(corner.x, corner.y, corner.z);
      }
    glEnd();
  }
  return takeError();
}

RenderStatus Scene::drawOverlay(Size viewport) {
  takeError();
  if (overlaySize_.empty()) return kRenderOk;
  glViewport(0, 0, viewport.width, viewport.height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, viewport.width, 0, viewport.height, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();

  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glDisable(GL_LIGHTING);
  glDisable(GL_DITHER);
  glEnable(GL_TEXTURE_2D);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glBindTexture(GL_TEXTURE_2D, overlayTexture_);
  // Row 0 of the overlay is its top row; OpenGL's y grows upwards from the bottom edge.
  const auto width = static_cast<float>(overlaySize_.width);
  const auto height = static_cast<float>(overlaySize_.height);
  const auto top = static_cast<float>(viewport.height);
  glBegin(GL_QUADS);
  glTexCoord2f(0, 1);
  glVertex2f(0, top - height);
  glTexCoord2f(1, 1);
  glVertex2f(width, top - height);
  glTexCoord2f(1, 0);
  glVertex2f(width, top);
  glTexCoord2f(0, 0);
  glVertex2f(0, top);
  glEnd();
  glDisable(GL_BLEND);
  return takeError();
}

}  // namespace skylacer::viewer::platform
