// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The viewer's string table: every text the user sees, word for word. Line breaks are "\n" or
// "\r\n" as in the original table; message boxes show either as one line break.

namespace skylacer::viewer::text {

inline constexpr char kAppTitle[] = "Oskelvind Panorama Viewer";
inline constexpr char kWindowClass[] = "PanViewer";

// Start-up and panorama source.
inline constexpr char kInvalidOptions[] =
    "Invalid command line options given.\nLegal options: -systemmemory, -emulation\n";
inline constexpr char kCreateWindowFailed[] = "CreateWindowEx failed";
inline constexpr char kLoadFailed[] =
    "Failed to load panorama image.\r\n\r\nPlease check the path parameter.";
inline constexpr char kOpenTitle[] = "Open a panorama picture";
inline constexpr char kJpegFilterName[] = "JPEG Files (*.jpg;*.jpe;*.jpeg)";
inline constexpr char kJpegPatterns[] = "*.jpg *.jpe *.jpeg *.JPG *.JPE *.JPEG";
inline constexpr char kAllFilesFilterName[] = "All Files (*.*)";
// No file dialog program (zenity, kdialog) could be started; %s is the program's own path.
inline constexpr char kNoFileDialog[] =
    "This viewer holds no panorama, and no file dialog can be shown here\n"
    "(neither zenity nor kdialog is installed).\n\n"
    "Start it with the path of a JPEG file:\n\n    %s /path/to/panorama.jpg";
// No X display (printed, as there is no window); %s is the reason.
inline constexpr char kNoDisplay[] =
    "Oskelvind Panorama Viewer: %s\n"
    "The viewer needs an X display (DISPLAY). On Wayland desktops it runs through XWayland.\n";
// libX11 or libGL cannot be loaded (printed, and shown by a desktop tool where one runs): what
// the library is, its file, the loader's reason and the Debian package that holds it.
inline constexpr char kLibraryMissing[] =
    "Oskelvind Panorama Viewer cannot start: it needs %s (%s), which cannot be loaded.\n"
    "%s\n"
    "Install it with the system's package manager (on Debian and Ubuntu: the package %s).\n";
inline constexpr char kX11LibraryName[] = "the X11 client library";
inline constexpr char kGlLibraryName[] = "OpenGL";
// "-help"; %s is the program's own path.
inline constexpr char kHelp[] =
    "Oskelvind Panorama Viewer\n\n"
    "Usage: %s [-emulation] [-systemmemory] [picture.jpg]\n\n"
    "Shows the panorama stored in this program. A viewer that holds none shows the JPEG file\n"
    "named on the command line, or asks for one (with zenity or kdialog when installed).\n\n"
    "  -emulation      draw with the software renderer\n"
    "  -systemmemory   the same (kept for old shortcuts)\n"
    "  -help           this text\n\n"
    "Drag with the mouse to look around, Shift+drag or turn the wheel to zoom. The arrow keys\n"
    "look around, + and - zoom, Enter turns the view (a click stops it), Space pauses,\n"
    "Alt+Enter switches to full screen, F1 shows the about box, Esc ends the viewer.\n\n"
    "It needs only the C library, the X11 client library and OpenGL (libGL). It runs on any X\n"
    "desktop; on Wayland desktops it runs through XWayland.\n";
inline constexpr char kTexturesFailed[] = "Creating the panorama's textures failed.\n%s";

// Rendering.
inline constexpr char kRenderingFailed[] = "Rendering has failed.  Aborting execution.\n";
inline constexpr char kClearFailed[] = "Clearing viewport failed.\n%s";
inline constexpr char kRenderSceneFailed[] = "Rendering scene failed.\n%s";
inline constexpr char kUpdateDeviceFailed[] = "Updating device failed.\n%s";

// Popup menu.
inline constexpr char kDevicesMenu[] = "Acceleration type";
inline constexpr char kModesMenu[] = "&Modes";
inline constexpr char kModeItem[] = "%dx%dx%d";
inline constexpr char kFullscreenItem[] = "&Fullscreen\tAlt+Enter";
inline constexpr char kAboutItem[] = "&About...\tF1";
inline constexpr char kExitItem[] = "E&xit\tESC";

// About box.
inline constexpr char kAboutTitle[] = "About";
inline constexpr char kAboutLine[] =
    "Drag or use the arrow keys to look around; the wheel or + and - zoom;\n"
    "Enter turns the view. Runs on any X desktop (Wayland: through XWayland).\n\n"
    // The IJG license asks for this line with every program that carries its JPEG code.
    "This software is based in part on the work of the Independent JPEG Group.";

// The maker's page about the viewer, opened by the toolbar's first button in the desktop's
// browser (through xdg-open).
inline constexpr char kViewerPage[] = "https://oskelvind.example/panorama-viewer";
// Shown for a few seconds at the top of the view while the browser starts; %s is the address.
inline constexpr char kOpeningPage[] = "Opening %s in the web browser...";
// No browser could be started; %s is the address.
inline constexpr char kNoBrowser[] =
    "No web browser could be started (xdg-open is missing).\n\nThe viewer's page is\n%s";

}  // namespace skylacer::viewer::text
