// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The main program's string table: every text it shows, word for word. "\n" is a line feed.

namespace skylacer::app::texts {

inline constexpr char kWindowTitle[] = "Skylacer";

inline constexpr char kNoPhotos[] =
    "There are no photos in the project yet.\n\nPlease add some photos to continue.";
inline constexpr char kOnePhoto[] =
    "Not enough photos in the project to stitch a new panorama.\nPlease add more images in the "
    "project.\n\nWould you like to use this photo as the final panoramic image\nwithout "
    "stitching?\n";
inline constexpr char kNotEnoughMemory[] =
    "Exception: Not enough memory\r\n\r\nPlease restart the program if you want to stitch "
    "another panorama.";
// With the photo's path, the imaging library's status and why, in words.
inline constexpr char kPhotoUnreadable[] = "Failed to read the photo:\n%1\n\nError code: %2 (%3)";
inline constexpr char kInitializing[] = "Initializing...";
// How a refusal of photos too large for the memory tells the user to raise the limit.
inline constexpr char kMemoryLimitHint[] =
    "the setting \"Memory limit\" in MB under \"Settings\" raises it";

inline constexpr char kVersionUnsupported[] =
    "The requested user interface version is not supported by the installed engine "
    "version.\nPlease upgrade your version.\n\nWould you like to proceed to download "
    "automatically?";
inline constexpr char kProjectChanged[] =
    "Current project is changed.\n\nDo you want to save the changes?";
// With the candidate path.
inline constexpr char kLocateMovie[] =
    "Can not find user interface file at:\n%1\n\nWould you like to locate it yourself?";
// A file or address that the desktop could not open: the text, the file, then the reason.
inline constexpr char kOpenFailed[] = "Cannot open";
inline constexpr char kOpenFailedMissing[] = "The file does not exist.";
inline constexpr char kOpenFailedNoProgram[] =
    "No program on this computer is set up to open it, or no web browser is installed.";
inline constexpr char kOpenFailedProgram[] = "The program that should open it reported a failure.";
inline constexpr char kOpenerMissing[] =
    "xdg-open cannot be started. Please install the package xdg-utils.";
// The status line after a save or an export, with the file written.
inline constexpr char kSavedNote[] = "Saved %1";
inline constexpr char kNoPanorama[] =
    "There is no panorama yet.\n\nPlease stitch the photos first.";
// With the Qt version found.
inline constexpr char kQtTooOld[] =
    "This program needs Qt 6.4 or later; the installed Qt is %1.\n\nPlease install the Qt 6 "
    "packages of your distribution (qt6-base, qt6-declarative).";
// With the QML module and the package that brings it.
inline constexpr char kQmlModuleMissing[] =
    "The QML module %1 that the interface needs is not installed.\n\nPlease install the "
    "package %2.";
// With the movie file and its errors, one per line.
inline constexpr char kMovieBroken[] = "The user interface file\n%1\ncannot be loaded:\n\n%2";

// File dialog filters: "description|patterns|...||".
inline constexpr char kPhotoFilter[] =
    "JPEG files (*.jpg)|*.jpg;*.jpeg,*.jpe|All Files (*.*)|*.*||";
inline constexpr char kProjectFilter[] = "Oskelvind Skylacer Project (*.skl)|*.skl|All Files|*.*||";
inline constexpr char kImageFilter[] =
    "JPEG files (*.jpg)|*.jpg|QuickTime panorama files (*.mov)|*.mov|All Files|*.*||";
inline constexpr char kViewerFilter[] = "Executable files (*.exe)|*.exe|All Files|*.*||";
inline constexpr char kWebFilter[] =
    "Web page with a Flash viewer (*.htm, *.html)|*.htm;*.html|Web page with a QuickTime VR "
    "viewer (*.htm, *.html)|*.htm;*.html|Web page with an ActiveX viewer (*.htm, "
    "*.html)|*.htm;*.html|Web page with a Java viewer (*.htm, *.html)|*.htm;*.html||";
inline constexpr char kMovieFilter[] = "Interface files (*.qml)|*.qml|All Files (*.*)|*.*||";

// The online help, when the help pages are missing.
inline constexpr char kOnlineHelp[] = "https://oskelvind.example/skylacer/help/";

// The about box's version text, from the product version and the build number.
inline constexpr char kVersionFormat[] = "version: %1 (build %2)";

}  // namespace skylacer::app::texts
