// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/platform/x_window.h"

#include <poll.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "viewer/platform/library_functions.h"

// X headers last: they define macros such as Status, None, Bool and Success.
#include <GL/glx.h>
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

namespace skylacer::viewer::platform {
namespace {

Display* dpy(void* display) {
  return static_cast<Display*>(display);
}

unsigned modifiersOf(unsigned state) {
  unsigned modifiers = 0;
  if (state & ShiftMask) modifiers |= kShift;
  if (state & ControlMask) modifiers |= kControl;
  if (state & Mod1Mask) modifiers |= kAlt;
  return modifiers;
}

// The last X error; a failed request must not end the program (Xlib's default handler exits),
// so that the viewer can still say what went wrong.
int lastXError = 0;

int noteXError(Display*, XErrorEvent* error) {
  lastXError = error->error_code;
  return 0;
}

// Whether a window manager that follows EWMH runs on the screen.
bool hasWindowManager(Display* display) {
  const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
  if (check == None) return false;
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  const int status = XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False,
                                        XA_WINDOW, &type, &format, &count, &after, &data);
  const bool found = status == Success && data != nullptr && count == 1;
  if (data != nullptr) XFree(data);
  return found;
}

}  // namespace

std::unique_ptr<XWindow> XWindow::open(std::string& failure) {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    const char* name = XDisplayName(nullptr);
    failure = std::string("Cannot open the X display \"") + (name != nullptr ? name : "") + "\".";
    return nullptr;
  }
  XSetErrorHandler(&noteXError);
  // Held keys send one press and one release, however long they are held.
  XkbSetDetectableAutoRepeat(display, True, nullptr);
  return std::unique_ptr<XWindow>(new XWindow(display));
}

XWindow::XWindow(void* display) : display_(display) {}

XWindow::~XWindow() {
  Display* display = dpy(display_);
  if (context_ != nullptr) {
    glXMakeCurrent(display, None, nullptr);
    glXDestroyContext(display, static_cast<GLXContext>(context_));
  }
  if (window_ != 0) XDestroyWindow(display, window_);
  if (colormap_ != 0) XFreeColormap(display, colormap_);
  if (visual_ != nullptr) XFree(visual_);
  XCloseDisplay(display);
}

unsigned long XWindow::atom(const char* name) const {
  return XInternAtom(dpy(display_), name, False);
}

bool XWindow::create(const std::string& title, Size size, const RgbaImage& icon) {
  Display* display = dpy(display_);
  const int screen = DefaultScreen(display);
  int attributes[] = {
      GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE, 8, None};
  XVisualInfo* visual = glXChooseVisual(display, screen, attributes);
  if (visual == nullptr) {
    int fallback[] = {GLX_RGBA, GLX_DOUBLEBUFFER, None};
    visual = glXChooseVisual(display, screen, fallback);
  }
  if (visual == nullptr) {
    // No OpenGL on this display: a plain window still shows why the viewer cannot draw.
    XVisualInfo wanted{};
    wanted.visualid = XVisualIDFromVisual(DefaultVisual(display, screen));
    int count = 0;
    visual = XGetVisualInfo(display, VisualIDMask, &wanted, &count);
    glVisual_ = false;
  }
  if (visual == nullptr) return false;
  visual_ = visual;
  const Window root = RootWindow(display, screen);
  colormap_ = XCreateColormap(display, root, visual->visual, AllocNone);
  XSetWindowAttributes set{};
  set.colormap = colormap_;
  set.background_pixel = BlackPixel(display, screen);
  set.border_pixel = 0;
  set.event_mask = ExposureMask | StructureNotifyMask | KeyPressMask | KeyReleaseMask |
                   ButtonPressMask | ButtonReleaseMask | PointerMotionMask | FocusChangeMask |
                   LeaveWindowMask;
  window_ =
      XCreateWindow(display, root, 0, 0, static_cast<unsigned>(size.width),
                    static_cast<unsigned>(size.height), 0, visual->depth, InputOutput,
                    visual->visual, CWColormap | CWBackPixel | CWBorderPixel | CWEventMask, &set);
  if (window_ == 0) return false;
  size_ = size;
  windowedPlace_ = {0, 0, size.width, size.height};

  XStoreName(display, window_, title.c_str());
  XChangeProperty(display, window_, atom("_NET_WM_NAME"), atom("UTF8_STRING"), 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(title.data()),
                  static_cast<int>(title.size()));
  XClassHint classHint{};
  std::string className = "PanViewer";
  classHint.res_name = className.data();
  classHint.res_class = className.data();
  XSetClassHint(display, window_, &classHint);
  deleteAtom_ = atom("WM_DELETE_WINDOW");
  Atom protocols[] = {deleteAtom_};
  XSetWMProtocols(display, window_, protocols, 1);
  if (icon.width > 0) {
    // _NET_WM_ICON: width, height, then one ARGB value a pixel, each in a long.
    std::vector<unsigned long> data{static_cast<unsigned long>(icon.width),
                                    static_cast<unsigned long>(icon.height)};
    for (std::size_t i = 0; i + 3 < icon.pixels.size(); i += 4)
      data.push_back((static_cast<unsigned long>(icon.pixels[i + 3]) << 24) |
                     (static_cast<unsigned long>(icon.pixels[i]) << 16) |
                     (static_cast<unsigned long>(icon.pixels[i + 1]) << 8) | icon.pixels[i + 2]);
    XChangeProperty(display, window_, atom("_NET_WM_ICON"), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(data.data()),
                    static_cast<int>(data.size()));
  }
  XMapWindow(display, window_);
  // Wait until the window shows, so that the first frame is seen.
  XEvent event;
  do {
    XWindowEvent(display, window_, StructureNotifyMask, &event);
  } while (event.type != MapNotify);
  mapped_ = true;
  return true;
}

bool XWindow::createContext() {
  if (!glVisual_) return false;
  Display* display = dpy(display_);
  auto* visual = static_cast<XVisualInfo*>(visual_);
  for (const Bool direct : {True, False}) {
    lastXError = 0;
    GLXContext context = glXCreateContext(display, visual, nullptr, direct);
    XSync(display, False);
    if (context != nullptr && lastXError == 0 &&
        glXMakeCurrent(display, window_, context) == True) {
      XSync(display, False);
      if (lastXError == 0) {
        context_ = context;
        return true;
      }
      glXMakeCurrent(display, None, nullptr);
    }
    if (context != nullptr) glXDestroyContext(display, context);
  }
  return false;
}

void XWindow::makeCurrent() {
  if (context_ != nullptr)
    glXMakeCurrent(dpy(display_), window_, static_cast<GLXContext>(context_));
}

void XWindow::swapBuffers() {
  glXSwapBuffers(dpy(display_), window_);
}

bool XWindow::eventPending() {
  return XPending(dpy(display_)) > 0;
}

bool XWindow::waitForEvent(int milliseconds) {
  Display* display = dpy(display_);
  if (XPending(display) > 0) return true;
  pollfd descriptor{ConnectionNumber(display), POLLIN, 0};
  poll(&descriptor, 1, milliseconds);
  return XPending(display) > 0;
}

std::optional<WindowEvent> XWindow::nextEvent(bool wait) {
  Display* display = dpy(display_);
  while (wait || XPending(display) > 0) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.xany.window != window_) continue;
    WindowEvent out;
    switch (event.type) {
      case Expose:
        if (event.xexpose.count != 0) continue;
        out.type = EventType::Exposed;
        return out;
      case ConfigureNotify: {
        const Size size{event.xconfigure.width, event.xconfigure.height};
        if (size == size_) continue;
        size_ = size;
        out.type = EventType::Resized;
        return out;
      }
      case MapNotify:
        mapped_ = true;
        continue;
      case UnmapNotify:
        mapped_ = false;
        continue;
      case FocusIn:
        focused_ = true;
        out.type = EventType::FocusGained;
        return out;
      case FocusOut:
        focused_ = false;
        out.type = EventType::FocusLost;
        return out;
      case LeaveNotify:
        out.type = EventType::PointerLeft;
        return out;
      case ClientMessage:
        if (static_cast<unsigned long>(event.xclient.data.l[0]) != deleteAtom_) continue;
        out.type = EventType::CloseRequest;
        return out;
      case ButtonPress:
      case ButtonRelease:
        out.type = event.type == ButtonPress ? EventType::ButtonDown : EventType::ButtonUp;
        out.position = {event.xbutton.x, event.xbutton.y};
        out.button = static_cast<int>(event.xbutton.button);
        out.modifiers = modifiersOf(event.xbutton.state);
        return out;
      case MotionNotify:
        out.type = EventType::Moved;
        out.position = {event.xmotion.x, event.xmotion.y};
        out.leftHeld = (event.xmotion.state & Button1Mask) != 0;
        out.modifiers = modifiersOf(event.xmotion.state);
        return out;
      case KeyPress:
      case KeyRelease: {
        const unsigned code = event.xkey.keycode;
        const bool press = event.type == KeyPress;
        out.type = press ? EventType::KeyDown : EventType::KeyUp;
        // The unshifted symbol, except on the keypad, where Num Lock picks digits or keys.
        KeySym symbol = XLookupKeysym(&event.xkey, 0);
        if (symbol >= XK_KP_Space && symbol <= XK_KP_Equal) {
          KeySym shifted = NoSymbol;
          char text[8];
          XLookupString(&event.xkey, text, sizeof text, &shifted, nullptr);
          if (shifted != NoSymbol) symbol = shifted;
        }
        out.key = static_cast<unsigned>(symbol);
        out.modifiers = modifiersOf(event.xkey.state);
        const auto down = std::find(keysDown_.begin(), keysDown_.end(), code);
        if (press) {
          out.repeat = down != keysDown_.end();
          if (!out.repeat) keysDown_.push_back(code);
        } else if (down != keysDown_.end()) {
          keysDown_.erase(down);
        }
        return out;
      }
      default:
        continue;
    }
  }
  return std::nullopt;
}

Size XWindow::screenSize() const {
  Display* display = dpy(display_);
  return {DisplayWidth(display, DefaultScreen(display)),
          DisplayHeight(display, DefaultScreen(display))};
}

int XWindow::screenDepth() const {
  Display* display = dpy(display_);
  return DefaultDepth(display, DefaultScreen(display));
}

void XWindow::setFullScreen(bool on) {
  if (on == fullScreen_) return;
  Display* display = dpy(display_);
  if (on) {
    Window child = 0;
    int x = 0;
    int y = 0;
    XTranslateCoordinates(display, window_, DefaultRootWindow(display), 0, 0, &x, &y, &child);
    windowedPlace_ = {x, y, size_.width, size_.height};
  }
  fullScreen_ = on;
  if (hasWindowManager(display)) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window_;
    event.xclient.message_type = atom("_NET_WM_STATE");
    event.xclient.format = 32;
    event.xclient.data.l[0] = on ? 1 : 0;  // add or remove
    event.xclient.data.l[1] = static_cast<long>(atom("_NET_WM_STATE_FULLSCREEN"));
    event.xclient.data.l[3] = 1;  // a normal program asks
    XSendEvent(display, DefaultRootWindow(display), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(display);
    return;
  }
  // No window manager: the window places itself over the screen.
  overrideFullScreen_ = on;
  XUnmapWindow(display, window_);
  XSetWindowAttributes set{};
  set.override_redirect = on ? True : False;
  XChangeWindowAttributes(display, window_, CWOverrideRedirect, &set);
  const Size screen = screenSize();
  const Rect place = on ? Rect{0, 0, screen.width, screen.height} : windowedPlace_;
  XMoveResizeWindow(display, window_, place.x, place.y, static_cast<unsigned>(place.width),
                    static_cast<unsigned>(place.height));
  XMapRaised(display, window_);
  XEvent event;
  do {
    XWindowEvent(display, window_, StructureNotifyMask, &event);
    if (event.type == ConfigureNotify) size_ = {event.xconfigure.width, event.xconfigure.height};
  } while (event.type != MapNotify);
  mapped_ = true;
  XSetInputFocus(display, window_, RevertToParent, CurrentTime);
  XSync(display, False);
  size_ = {place.width, place.height};
}

void XWindow::putImage(const RgbaImage& image) {
  Display* display = dpy(display_);
  auto* visual = static_cast<XVisualInfo*>(visual_);
  if (visual == nullptr || image.width < 1) return;
  XImage* ximage = XCreateImage(display, visual->visual, static_cast<unsigned>(visual->depth),
                                ZPixmap, 0, nullptr, static_cast<unsigned>(image.width),
                                static_cast<unsigned>(image.height), 32, 0);
  if (ximage == nullptr) return;
  ximage->data = static_cast<char*>(
      std::malloc(static_cast<std::size_t>(ximage->bytes_per_line) * image.height));
  if (ximage->data == nullptr) {
    XDestroyImage(ximage);
    return;
  }
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      const std::uint8_t* p = &image.pixels[(static_cast<std::size_t>(y) * image.width + x) * 4];
      const unsigned long pixel =
          (static_cast<unsigned long>(p[0]) << 16) | (static_cast<unsigned long>(p[1]) << 8) | p[2];
      XPutPixel(ximage, x, y, pixel);
    }
  GC gc = XCreateGC(display, window_, 0, nullptr);
  XPutImage(display, window_, gc, ximage, 0, 0, 0, 0, static_cast<unsigned>(image.width),
            static_cast<unsigned>(image.height));
  XFreeGC(display, gc);
  XDestroyImage(ximage);  // frees the data too
  XFlush(display);
}

RgbaImage XWindow::capture() {
  Display* display = dpy(display_);
  RgbaImage image;
  XSync(display, False);
  XImage* ximage = XGetImage(display, window_, 0, 0, static_cast<unsigned>(size_.width),
                             static_cast<unsigned>(size_.height), AllPlanes, ZPixmap);
  if (ximage == nullptr) return image;
  image.width = size_.width;
  image.height = size_.height;
  image.pixels.resize(static_cast<std::size_t>(image.width) * image.height * 4);
  const unsigned long redMask = ximage->red_mask;
  const unsigned long greenMask = ximage->green_mask;
  const unsigned long blueMask = ximage->blue_mask;
  auto channel = [](unsigned long pixel, unsigned long mask) {
    if (mask == 0) return std::uint8_t{0};
    int shift = 0;
    while (((mask >> shift) & 1) == 0) ++shift;
    const unsigned long value = (pixel & mask) >> shift;
    const unsigned long top = mask >> shift;
    return static_cast<std::uint8_t>(value * 255 / top);
  };
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      const unsigned long pixel = XGetPixel(ximage, x, y);
      std::uint8_t* p = &image.pixels[(static_cast<std::size_t>(y) * image.width + x) * 4];
      p[0] = channel(pixel, redMask);
      p[1] = channel(pixel, greenMask);
      p[2] = channel(pixel, blueMask);
      p[3] = 255;
    }
  XDestroyImage(ximage);
  return image;
}

Point XWindow::pointer() const {
  Display* display = dpy(display_);
  Window root = 0;
  Window child = 0;
  int rootX = 0;
  int rootY = 0;
  int x = 0;
  int y = 0;
  unsigned mask = 0;
  XQueryPointer(display, window_, &root, &child, &rootX, &rootY, &x, &y, &mask);
  return {x, y};
}

}  // namespace skylacer::viewer::platform
