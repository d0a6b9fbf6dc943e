// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/photo_commands.h"

#include <QApplication>
#include <QCursor>
#include <QUrl>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "app/movie_text.h"
#include "output/movie_photos.h"
#include "resources/app_texts.h"

namespace skylacer::app {

namespace {

// Shows the wait cursor for its life.
class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

std::vector<std::string> orderedSelection(std::vector<std::string> paths) {
  if (paths.size() >= 3 && paths[0] > paths[1] &&
      std::is_sorted(paths.begin() + 1, paths.end(),
                     [](const std::string& a, const std::string& b) { return a <= b; })) {
    std::rotate(paths.begin(), paths.begin() + 1, paths.end());
  }
  return paths;
}

MoviePhotos moviePhotoList(CShockwaveFlash& movie) {
  const int count = std::max(0, movieNumber(movie.getVariable("NumImagesToAlign")));
  MoviePhotos photos;
  photos.paths.reserve(static_cast<std::size_t>(std::min(count, 1 << 16)));
  photos.rotations.reserve(photos.paths.capacity());
  for (int i = 0; i < count; ++i) {
    const std::string index = std::to_string(i);
    photos.paths.push_back(movie.getVariable("alignpath" + index));
    photos.rotations.push_back(movieNumber(movie.getVariable("alignang" + index)));
  }
  return photos;
}

void addPhotos(CommandContext& context) {
  tuning::FileDialogRequest request;
  request.mode = tuning::FileDialogMode::OpenMany;
  request.filterText = texts::translatedUtf8(texts::kPhotoFilter);
  request.initialFolder = context.settings.readString("Config", "LastPath", "");
  request.mustExist = true;
  const std::optional<tuning::FileDialogChoice> choice = context.services.chooseFiles(request);
  if (!choice || choice->files.empty()) return;
  std::vector<std::string> chosen;
  chosen.reserve(choice->files.size());
  for (const auto& file : choice->files) chosen.push_back(file.string());
  context.settings.writeString(
      "Config", "LastPath",
      chosen.size() == 1 ? chosen.front() : choice->files.front().parent_path().string());

  handPhotos(context, orderedSelection(std::move(chosen)));
}

void handPhotos(CommandContext& context, const std::vector<std::string>& photos) {
  const WaitCursor waitCursor;
  output::handPhotosToMovie(context.movie, photos, {}, static_cast<long long>(photos.size()),
                            context.state.thumbnails);
  context.state.changed = true;
}

std::vector<std::string> droppedFiles(CShockwaveFlash& movie) {
  const int count = std::max(0, movieNumber(movie.getVariable("NumDroppedUrls")));
  std::vector<std::string> files;
  for (int i = 0; i < count; ++i) {
    const QUrl url(toQString(movie.getVariable("DroppedUrl" + std::to_string(i))));
    if (!url.isLocalFile()) continue;
    const std::string file = url.toLocalFile().toStdString();
    std::error_code error;
    if (std::filesystem::is_regular_file(file, error)) files.push_back(file);
  }
  return files;
}

void addDroppedPhotos(CommandContext& context) {
  const std::vector<std::string> photos = droppedFiles(context.movie);
  if (!photos.empty()) handPhotos(context, photos);
}

}  // namespace skylacer::app
