#include "viewer/platform/scene.h"

#include <QOpenGLFunctions>
#include <QOpenGLFunctions_2_1>

#include "viewer/platform/view_transform.h"

namespace skylacer::viewer::platform {
namespace {

constexpr GLfloat kWhite[] = {1, 1, 1, 1};

GLenum polygonMode(FillMode fill) {
  switch (fill) {
    case FillMode::Points: return GL_POINT;
    case FillMode::Wireframe: return GL_LINE;
    case FillMode::Solid: break;
  }
  return GL_FILL;
}

}  // namespace

Scene::Scene(QOpenGLFunctions_2_1& gl, QOpenGLFunctions& functions)
    : gl_(gl), functions_(functions) {
  // One white ambient light of full intensity: lit texels keep their colours.
  gl_.glLightModelfv(GL_LIGHT_MODEL_AMBIENT, kWhite);
  gl_.glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, kWhite);
  gl_.glGenTextures(1, &overlayTexture_);
}

Scene::~Scene() {
  clearQuads();
  gl_.glDeleteTextures(1, &overlayTexture_);
}

RenderStatus Scene::takeError() {
  const GLenum first = gl_.glGetError();
  while (gl_.glGetError() != GL_NO_ERROR) {
  }
  return first;
}

RenderStatus Scene::addQuad(std::span<const std::uint8_t> texture, int size,
                            const TexturedQuad& quad) {
  takeError();
  Quad added{0, quad};
  gl_.glGenTextures(1, &added.texture);
  gl_.glBindTexture(GL_TEXTURE_2D, added.texture);
  gl_.glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  gl_.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  gl_.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  gl_.glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, size, size, 0, GL_BGR, GL_UNSIGNED_BYTE,
                   texture.data());
  if (mipmapsBuilt_) functions_.glGenerateMipmap(GL_TEXTURE_2D);
  setFilterParameters();
  quads_.push_back(added);
  return takeError();
}

void Scene::clearQuads() {
  for (const Quad& quad : quads_) gl_.glDeleteTextures(1, &quad.texture);
  quads_.clear();
  mipmapsBuilt_ = false;
}

void Scene::setFilterParameters() {
  GLint minifying = GL_LINEAR;
  GLint magnifying = GL_LINEAR;
  if (settings_.filter == TextureFilter::Nearest) minifying = magnifying = GL_NEAREST;
  if (settings_.filter == TextureFilter::MipMappedLinear) minifying = GL_LINEAR_MIPMAP_LINEAR;
  gl_.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minifying);
  gl_.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magnifying);
}

void Scene::applySettings(const DeviceSettings& settings) {
  const bool filterChanged = settings.filter != settings_.filter;
  settings_ = settings;
  if (!filterChanged) return;
  // Mip levels are made when mip-mapping is first chosen, and at upload from then on.
  const bool makeMipmaps = settings_.filter == TextureFilter::MipMappedLinear && !mipmapsBuilt_;
  for (const Quad& quad : quads_) {
    gl_.glBindTexture(GL_TEXTURE_2D, quad.texture);
    if (makeMipmaps) functions_.glGenerateMipmap(GL_TEXTURE_2D);
    setFilterParameters();
  }
  if (makeMipmaps) mipmapsBuilt_ = true;
}

void Scene::setOverlay(const QImage& image) {
  QImage keyed = image.convertToFormat(QImage::Format_RGBA8888);
  for (int y = 0; y < keyed.height(); ++y) {
    std::uint8_t* pixel = keyed.scanLine(y);
    for (int x = 0; x < keyed.width(); ++x, pixel += 4)
      pixel[3] = (pixel[0] == 255 && pixel[1] == 255 && pixel[2] == 255) ? 0 : 255;
  }
  gl_.glBindTexture(GL_TEXTURE_2D, overlayTexture_);
  gl_.glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  gl_.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  gl_.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  gl_.glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, keyed.width(), keyed.height(), 0, GL_RGBA,
                   GL_UNSIGNED_BYTE, keyed.constBits());
  overlaySize_ = keyed.size();
}

RenderStatus Scene::clearViewport(QSize viewport) {
  takeError();
  gl_.glViewport(0, 0, viewport.width(), viewport.height());
  gl_.glClearColor(0, 0, 0, 1);
  gl_.glClear(GL_COLOR_BUFFER_BIT);
  return takeError();
}

RenderStatus Scene::render(const CameraFrame& camera, QSize viewport) {
  takeError();
  gl_.glViewport(0, 0, viewport.width(), viewport.height());
  gl_.glMatrixMode(GL_PROJECTION);
  gl_.glLoadMatrixf(projectionMatrix(camera.field, viewport.width(), viewport.height()).data());
  gl_.glMatrixMode(GL_MODELVIEW);
  gl_.glLoadMatrixf(viewMatrix(camera).data());

  gl_.glDisable(GL_DEPTH_TEST);
  gl_.glDisable(GL_CULL_FACE);
  gl_.glEnable(GL_TEXTURE_2D);
  gl_.glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  gl_.glShadeModel(settings_.shade == ShadeMode::Flat ? GL_FLAT : GL_SMOOTH);
  gl_.glPolygonMode(GL_FRONT_AND_BACK, polygonMode(settings_.fill));
  if (settings_.dither)
    gl_.glEnable(GL_DITHER);
  else
    gl_.glDisable(GL_DITHER);
  if (settings_.lighting)
    gl_.glEnable(GL_LIGHTING);
  else
    gl_.glDisable(GL_LIGHTING);
  gl_.glColor4fv(kWhite);

  for (const Quad& quad : quads_) {
    gl_.glBindTexture(GL_TEXTURE_2D, quad.texture);
    gl_.glBegin(GL_QUADS);
    for (const TexturedVertex& corner : quad.corners) {
      gl_.glTexCoord2f(corner.u, corner.v);
      gl_.glVertex3f(corner.x, corner.y, corner.z);
    }
    gl_.glEnd();
  }
  return takeError();
}

RenderStatus Scene::drawOverlay(QSize viewport) {
  takeError();
  if (overlaySize_.isEmpty()) return kRenderOk;
  gl_.glViewport(0, 0, viewport.width(), viewport.height());
  gl_.glMatrixMode(GL_PROJECTION);
  gl_.glLoadIdentity();
  gl_.glOrtho(0, viewport.width(), 0, viewport.height(), -1, 1);
  gl_.glMatrixMode(GL_MODELVIEW);
  gl_.glLoadIdentity();

  gl_.glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  gl_.glDisable(GL_LIGHTING);
  gl_.glEnable(GL_TEXTURE_2D);
  gl_.glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  gl_.glEnable(GL_ALPHA_TEST);
  gl_.glAlphaFunc(GL_GREATER, 0.5f);
  gl_.glBindTexture(GL_TEXTURE_2D, overlayTexture_);
  // Row 0 of the overlay is its top row; OpenGL's y grows upwards from the bottom edge.
  const auto width = static_cast<float>(overlaySize_.width());
  const auto height = static_cast<float>(overlaySize_.height());
  gl_.glBegin(GL_QUADS);
  gl_.glTexCoord2f(0, 1);
  gl_.glVertex2f(0, 0);
  gl_.glTexCoord2f(1, 1);
  gl_.glVertex2f(width, 0);
  gl_.glTexCoord2f(1, 0);
  gl_.glVertex2f(width, height);
  gl_.glTexCoord2f(0, 0);
  gl_.glVertex2f(0, height);
  gl_.glEnd();
  gl_.glDisable(GL_ALPHA_TEST);
  return takeError();
}

}  // namespace skylacer::viewer::platform
