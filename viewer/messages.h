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
inline constexpr char kJpegFilter[] = "JPEG Files (*.jpg *.jpe *.jpeg)";
inline constexpr char kAllFilesFilter[] = "All Files (*)";
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
    "Drag to look around, Shift+drag to zoom, Enter turns the view.";

// The maker's page about the viewer, opened by the toolbar's first button.
inline constexpr char kViewerPage[] = "https://oskelvind.example/panorama-viewer";

}  // namespace skylacer::viewer::text
