// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The main program's string table: every text it shows, word for word. "\n" is a line feed.
// The texts are the English source texts of the translations: they are shown through
// `translated`, in the user's language where a translation has them.

#include <QCoreApplication>
#include <QString>
#include <string>

namespace skylacer::app::texts {

inline constexpr char kContext[] = "AppTexts";

inline QString translated(const char* source) {
  return QCoreApplication::translate(kContext, source);
}
inline std::string translatedUtf8(const char* source) {
  return translated(source).toStdString();
}

inline constexpr char kWindowTitle[] = "Skylacer";

inline constexpr char kNoPhotos[] = QT_TRANSLATE_NOOP(
    "AppTexts", "There are no photos in the project yet.\n\nPlease add some photos to continue.");
inline constexpr char kOnePhoto[] = QT_TRANSLATE_NOOP(
    "AppTexts",
    "Not enough photos in the project to stitch a new panorama.\nPlease add more images in the "
    "project.\n\nWould you like to use this photo as the final panoramic image\nwithout "
    "stitching?\n");
inline constexpr char kNotEnoughMemory[] = QT_TRANSLATE_NOOP(
    "AppTexts",
    "Exception: Not enough memory\r\n\r\nPlease restart the program if you want to stitch "
    "another panorama.");
// With the photo's path, the imaging library's status and why, in words.
inline constexpr char kPhotoUnreadable[] =
    QT_TRANSLATE_NOOP("AppTexts", "Failed to read the photo:\n%1\n\nError code: %2 (%3)");
inline constexpr char kInitializing[] = QT_TRANSLATE_NOOP("AppTexts", "Initializing...");
// How a refusal of photos too large for the memory tells the user to raise the limit. Not
// translated: it completes the memory refusal's English sentence and names settings by the
// names they are stored under.
inline constexpr char kMemoryLimitHint[] =
    "the setting \"Memory limit\" in MB under \"Settings\" raises it";

inline constexpr char kVersionUnsupported[] = QT_TRANSLATE_NOOP(
    "AppTexts",
    "The requested user interface version is not supported by the installed engine "
    "version.\nPlease upgrade your version.\n\nWould you like to proceed to download "
    "automatically?");
inline constexpr char kProjectChanged[] = QT_TRANSLATE_NOOP(
    "AppTexts", "Current project is changed.\n\nDo you want to save the changes?");
// With the candidate path.
inline constexpr char kLocateMovie[] = QT_TRANSLATE_NOOP(
    "AppTexts",
    "Can not find user interface file at:\n%1\n\nWould you like to locate it yourself?");
// A file or address that the desktop could not open: the text, the file, then the reason.
inline constexpr char kOpenFailed[] = QT_TRANSLATE_NOOP("AppTexts", "Cannot open");
inline constexpr char kOpenFailedMissing[] =
    QT_TRANSLATE_NOOP("AppTexts", "The file does not exist.");
inline constexpr char kOpenFailedNoProgram[] = QT_TRANSLATE_NOOP(
    "AppTexts",
    "No program on this computer is set up to open it, or no web browser is installed.");
inline constexpr char kOpenFailedProgram[] =
    QT_TRANSLATE_NOOP("AppTexts", "The program that should open it reported a failure.");
inline constexpr char kOpenerMissing[] = QT_TRANSLATE_NOOP(
    "AppTexts", "xdg-open cannot be started. Please install the package xdg-utils.");
// The status line after a save or an export, with the file written.
inline constexpr char kSavedNote[] = QT_TRANSLATE_NOOP("AppTexts", "Saved %1");
inline constexpr char kNoPanorama[] =
    QT_TRANSLATE_NOOP("AppTexts", "There is no panorama yet.\n\nPlease stitch the photos first.");
// With the Qt version found.
inline constexpr char kQtTooOld[] = QT_TRANSLATE_NOOP(
    "AppTexts",
    "This program needs Qt 6.4 or later; the installed Qt is %1.\n\nPlease install the Qt 6 "
    "packages of your distribution (qt6-base, qt6-declarative).");
// With the QML module and the package that brings it.
inline constexpr char kQmlModuleMissing[] = QT_TRANSLATE_NOOP(
    "AppTexts",
    "The QML module %1 that the interface needs is not installed.\n\nPlease install the "
    "package %2.");
// With the movie file and its errors, one per line.
inline constexpr char kMovieBroken[] =
    QT_TRANSLATE_NOOP("AppTexts", "The user interface file\n%1\ncannot be loaded:\n\n%2");
// The error of a movie that compiled but made no window, with the movie file.
inline constexpr char kMovieDidNotStart[] =
    QT_TRANSLATE_NOOP("AppTexts", "%1: the movie did not start");

// File dialog filters: "description|patterns|...||". A translation changes the descriptions only.
inline constexpr char kPhotoFilter[] =
    QT_TRANSLATE_NOOP("AppTexts", "JPEG files (*.jpg)|*.jpg;*.jpeg,*.jpe|All Files (*.*)|*.*||");
inline constexpr char kProjectFilter[] =
    QT_TRANSLATE_NOOP("AppTexts", "Oskelvind Skylacer Project (*.skl)|*.skl|All Files|*.*||");
inline constexpr char kImageFilter[] = QT_TRANSLATE_NOOP(
    "AppTexts", "JPEG files (*.jpg)|*.jpg|QuickTime panorama files (*.mov)|*.mov|All Files|*.*||");
inline constexpr char kViewerFilter[] =
    QT_TRANSLATE_NOOP("AppTexts", "Executable files (*.exe)|*.exe|All Files|*.*||");
inline constexpr char kWebFilter[] = QT_TRANSLATE_NOOP(
    "AppTexts",
    "Web page with a Flash viewer (*.htm, *.html)|*.htm;*.html|Web page with a QuickTime VR "
    "viewer (*.htm, *.html)|*.htm;*.html|Web page with an ActiveX viewer (*.htm, "
    "*.html)|*.htm;*.html|Web page with a Java viewer (*.htm, *.html)|*.htm;*.html||");
inline constexpr char kMovieFilter[] =
    QT_TRANSLATE_NOOP("AppTexts", "Interface files (*.qml)|*.qml|All Files (*.*)|*.*||");

// The online help, when the help pages are missing.
inline constexpr char kOnlineHelp[] = "https://oskelvind.example/skylacer/help/";

// The about box's version text, from the product version and the build number.
inline constexpr char kVersionFormat[] = QT_TRANSLATE_NOOP("AppTexts", "version: %1 (build %2)");

}  // namespace skylacer::app::texts
