// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Finding and loading the interface movies ("interfaces/<name>.qml" beside the program or
// beside its parent folder).

#include <QQuickWidget>
#include <QStringList>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "app/desktop_services.h"
#include "app/shockwave_flash.h"

namespace skylacer::app {

// The file looked for under a stored interface name: ".swf" at its end becomes ".qml"
// ("quiltra.swf" -> "quiltra.qml"); any other name stands as it is.
std::string movieFileName(std::string_view interfaceName);

// Where a movie is looked for: the program's folder, then its parent, each followed by
// "interfaces/<fileName>".
std::filesystem::path firstMovieCandidate(const std::filesystem::path& programFolder,
                                          std::string_view fileName);
std::filesystem::path secondMovieCandidate(const std::filesystem::path& programFolder,
                                           std::string_view fileName);

// The first candidate, the installed data folder's "interfaces/" or the second candidate,
// whichever can be opened for reading first; otherwise the user is asked to locate the file (the
// second candidate in the question), again after every unreadable pick. Nothing on No.
std::optional<std::filesystem::path> locateMovieFile(const std::filesystem::path& programFolder,
                                                     std::string_view fileName,
                                                     DesktopServices& services);

// Loads the movie at `path` into `widget` with `movie` as its `host` property. Answers the
// compile errors, one "file:line: message" each; empty when the movie plays.
QStringList loadMovie(QQuickWidget& widget, CShockwaveFlash& movie,
                      const std::filesystem::path& path);

// The QML modules our movies import and the Debian packages that bring them: the message
// naming the first one this Qt cannot load, or nothing when all load.
std::optional<std::string> missingQmlModuleMessage();

}  // namespace skylacer::app
