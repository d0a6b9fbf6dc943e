// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The functions of libX11 and libGL that the viewer calls, by their own names. They are not
// linked: loadSystemLibraries (system_libraries.h) fills in these pointers when the viewer
// starts. Inside this namespace the names hide the libraries' own declarations; a call that
// does not see them refers to the library's symbol, which the program does not link, and the
// build fails.

// X headers last: they define macros such as Status, None and Bool.
#include <GL/gl.h>
#include <GL/glx.h>
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#define SKYLACER_X11_FUNCTIONS(F)                                                                \
  F(XChangeProperty)                                                                             \
  F(XChangeWindowAttributes) F(XCloseDisplay) F(XCreateColormap) F(XCreateGC) F(XCreateImage)    \
      F(XCreateWindow) F(XDestroyWindow) F(XDisplayName) F(XFlush) F(XFree) F(XFreeColormap)     \
          F(XFreeGC) F(XGetImage) F(XGetVisualInfo) F(XGetWindowProperty) F(XInternAtom)         \
              F(XLookupKeysym) F(XLookupString) F(XMapRaised) F(XMapWindow) F(XMoveResizeWindow) \
                  F(XNextEvent) F(XOpenDisplay) F(XPending) F(XPutImage) F(XQueryPointer)        \
                      F(XSendEvent) F(XSetClassHint) F(XSetErrorHandler) F(XSetInputFocus)       \
                          F(XSetWMProtocols) F(XStoreName) F(XSync) F(XTranslateCoordinates)     \
                              F(XUnmapWindow) F(XVisualIDFromVisual) F(XWindowEvent)             \
                                  F(XkbSetDetectableAutoRepeat)

#define SKYLACER_GL_FUNCTIONS(F)                                                                   \
  F(glBegin)                                                                                       \
  F(glBindTexture) F(glBlendFunc) F(glClear) F(glClearColor) F(glColor4fv) F(glDeleteTextures)     \
      F(glDisable) F(glEnable) F(glEnd) F(glGenTextures) F(glGetError) F(glGetIntegerv)            \
          F(glGetString)                                                                           \
          F(glLightModelfv) F(glLoadIdentity) F(glLoadMatrixf) F(glMaterialfv) F(glMatrixMode)     \
              F(glOrtho) F(glPixelStorei) F(glPolygonMode) F(glShadeModel) F(glTexCoord2f)         \
                  F(glTexEnvi) F(glTexImage2D) F(glTexParameteri) F(glTexSubImage2D) F(glVertex2f) \
                      F(glVertex3f) F(glViewport) F(glXChooseVisual) F(glXCreateContext)           \
                          F(glXDestroyContext) F(glXGetProcAddressARB) F(glXMakeCurrent)           \
                              F(glXSwapBuffers)

namespace skylacer::viewer::platform {

#define SKYLACER_LIBRARY_FUNCTION(name) inline decltype(&::name) name = nullptr;
SKYLACER_X11_FUNCTIONS(SKYLACER_LIBRARY_FUNCTION)
SKYLACER_GL_FUNCTIONS(SKYLACER_LIBRARY_FUNCTION)
#undef SKYLACER_LIBRARY_FUNCTION

}  // namespace skylacer::viewer::platform
