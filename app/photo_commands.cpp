#include "app/photo_commands.h"

#include <QApplication>
#include <QCursor>
#include <algorithm>

#include "app/movie_text.h"
#include "output/path_names.h"
#include "output/thumbnail.h"
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

std::vector<std::string> moviePhotoList(CShockwaveFlash& movie) {
  const int count = std::max(0, movieNumber(movie.getVariable("NumImagesToAlign")));
  std::vector<std::string> photos;
  photos.reserve(static_cast<std::size_t>(std::min(count, 1 << 16)));
  for (int i = 0; i < count; ++i)
    photos.push_back(movie.getVariable("alignpath" + std::to_string(i)));
  return photos;
}

void addPhotos(CommandContext& context) {
  tuning::FileDialogRequest request;
  request.mode = tuning::FileDialogMode::OpenMany;
  request.filterText = texts::kPhotoFilter;
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

  const WaitCursor waitCursor;
  const std::vector<std::string> photos = orderedSelection(std::move(chosen));
  CShockwaveFlash& movie = context.movie;
  for (std::size_t i = 0; i < photos.size(); ++i) {
    const std::string index = std::to_string(i);
    const output::Thumbnail thumbnail = output::makeThumbnail(photos[i], context.state.thumbnails);
    movie.setVariable("ImagePathToAdd" + index, photos[i]);
    movie.setVariable("ImageThumbnail" + index, thumbnail.path);
    movie.setVariable("ImageHeight" + index, movieNumberText(thumbnail.photoSize.height));
    movie.setVariable("ImageWidth" + index, movieNumberText(thumbnail.photoSize.width));
    movie.setVariable("FileName" + index, output::withoutExtension(output::fileNameOf(photos[i])));
  }
  movie.setVariable("NumImagesToAdd", movieNumberText(static_cast<long long>(photos.size())));
  movie.callLabel("/", "AddImages");
  context.state.changed = true;
}

}  // namespace skylacer::app
