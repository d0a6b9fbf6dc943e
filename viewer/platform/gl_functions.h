// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The OpenGL functions beyond version 1.1 that the viewer uses, looked up through GLX at run
// time (libGL exports only the old ones): framebuffer objects, their blit and mip-map making.

#include <GL/gl.h>
#include <GL/glext.h>

namespace skylacer::viewer::platform {

struct GlFunctions {
  PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
  PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
  PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
  PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;
  PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;
  PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
  PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers = nullptr;
  PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
  PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage = nullptr;
  PFNGLBLITFRAMEBUFFERPROC blitFramebuffer = nullptr;
  PFNGLGENERATEMIPMAPPROC generateMipmap = nullptr;

  // Looks every function up for the current context; false when one is missing.
  bool load();
};

}  // namespace skylacer::viewer::platform
