// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/platform/gl_functions.h"

#include "viewer/platform/library_functions.h"

namespace skylacer::viewer::platform {
namespace {

template <typename Function>
bool lookUp(Function& function, const char* name) {
  function =
      reinterpret_cast<Function>(glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name)));
  return function != nullptr;
}

}  // namespace

bool GlFunctions::load() {
  return lookUp(genFramebuffers, "glGenFramebuffers") &&
         lookUp(deleteFramebuffers, "glDeleteFramebuffers") &&
         lookUp(bindFramebuffer, "glBindFramebuffer") &&
         lookUp(framebufferRenderbuffer, "glFramebufferRenderbuffer") &&
         lookUp(checkFramebufferStatus, "glCheckFramebufferStatus") &&
         lookUp(genRenderbuffers, "glGenRenderbuffers") &&
         lookUp(deleteRenderbuffers, "glDeleteRenderbuffers") &&
         lookUp(bindRenderbuffer, "glBindRenderbuffer") &&
         lookUp(renderbufferStorage, "glRenderbufferStorage") &&
         lookUp(blitFramebuffer, "glBlitFramebuffer") && lookUp(generateMipmap, "glGenerateMipmap");
}

}  // namespace skylacer::viewer::platform
