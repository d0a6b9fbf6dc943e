// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/platform/render_errors.h"

namespace skylacer::viewer::platform {

std::string_view renderErrorName(RenderStatus status) {
  switch (status) {
    case kRenderOk: return "No error.";
    case kContextNotCreated: return "The OpenGL context could not be created.";
    case kContextNotCurrent: return "The OpenGL context could not be made current.";
    case kNoCompatibilityProfile:
      return "The OpenGL driver offers no compatibility profile of version 2.1 or later.";
    case kNoFramebufferObjects: return "The OpenGL driver cannot blit framebuffer objects.";
    case 0x0500: return "GL_INVALID_ENUM: an enumerated argument is not accepted.";
    case 0x0501: return "GL_INVALID_VALUE: a numeric argument is out of range.";
    case 0x0502: return "GL_INVALID_OPERATION: the operation is not allowed in the current state.";
    case 0x0503: return "GL_STACK_OVERFLOW: the operation would overflow a stack.";
    case 0x0504: return "GL_STACK_UNDERFLOW: the operation would underflow a stack.";
    case 0x0505: return "GL_OUT_OF_MEMORY: there is not enough memory left.";
    case 0x0506:
      return "GL_INVALID_FRAMEBUFFER_OPERATION: the framebuffer object is not complete.";
    case 0x0507: return "GL_CONTEXT_LOST: the graphics card was reset.";
    case 0x8219: return "GL_FRAMEBUFFER_UNDEFINED: there is no default framebuffer.";
    case 0x8CD6:
      return "GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT: a framebuffer attachment is incomplete.";
    case 0x8CD7:
      return "GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT: the framebuffer has no attachment.";
    case 0x8CDD:
      return "GL_FRAMEBUFFER_UNSUPPORTED: the driver cannot render into this surface format.";
    default: return "Unrecognized error value.";
  }
}

}  // namespace skylacer::viewer::platform
