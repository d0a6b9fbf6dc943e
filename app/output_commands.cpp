// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/output_commands.h"

#include <QString>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/photo_commands.h"
#include "output/image.h"
#include "output/messages.h"
#include "output/output_collisions.h"
#include "output/project.h"
#include "output/viewerexport.h"
#include "output/webexport.h"
#include "platform/shell/data_folder.h"
#include "platform/shell/machine_processors.h"
#include "resources/app_texts.h"

namespace skylacer::app {

namespace {

constexpr int kDefaultQuality = 75;

using tuning::FileDialogMode;
using tuning::FileDialogRequest;

// Output commands need a panorama; without one the user is told and the command stops.
bool havePanorama(CommandContext& context) {
  if (context.state.hasPanorama()) return true;
  context.services.messages().ask(texts::translatedUtf8(texts::kNoPanorama),
                                  tuning::MessageKind::Notice);
  return false;
}

FileDialogRequest saveRequest(const char* filter, const char* extension, int filterIndex) {
  FileDialogRequest request;
  request.mode = FileDialogMode::Save;
  request.filterText = texts::translatedUtf8(filter);
  request.defaultExtension = extension;
  request.filterIndex = filterIndex;
  return request;
}

// The save dialog of a picture output, offering the panorama's size and the stored quality;
// the chosen quality is stored on OK.
std::optional<OutputChoice> chooseOutput(CommandContext& context,
                                         const FileDialogRequest& request) {
  const output::OutputOptions offer{
      context.state.panoramaSize,
      context.settings.readInt("Settings", "JPEG quality", kDefaultQuality)};
  std::optional<OutputChoice> choice = context.services.chooseOutput(request, offer);
  if (choice && !choice->file.files.empty()) {
    context.settings.writeInt("Settings", "JPEG quality", choice->options.quality);
    // The outputs stop when the progress says so: a cancel left from earlier work must not stop
    // this one before it starts.
    context.progress.clearCancel();
    return choice;
  }
  return std::nullopt;
}

FileDialogRequest projectRequest(CommandContext& context, FileDialogMode mode) {
  FileDialogRequest request;
  request.mode = mode;
  request.filterText = texts::kProjectFilter;
  request.defaultExtension = "skl";
  request.initialFolder = context.settings.readString("Config", "LastWorkPath", "");
  request.askOverwrite = false;
  return request;
}

std::optional<std::string> chooseProject(CommandContext& context, FileDialogMode mode) {
  const std::optional<tuning::FileDialogChoice> choice =
      context.services.chooseFiles(projectRequest(context, mode));
  if (!choice || choice->files.empty()) return std::nullopt;
  const std::string path = choice->files.front().string();
  context.settings.writeString("Config", "LastWorkPath", path);
  return path;
}

// Outputs that would replace one of the project's photos (those the movie shows and those of the
// last stitch), or each other, are refused before anything is written: the command's own
// `failureText`, then the file and the reason. True when refused.
bool refuseOverwritingPhotos(CommandContext& context,
                             const std::vector<output::PlannedOutput>& outputs,
                             const std::string& failureText, output::MessageIcon icon) {
  std::vector<std::filesystem::path> photos(context.state.photoList.begin(),
                                            context.state.photoList.end());
  for (const std::string& path : moviePhotoList(context.movie).paths) photos.emplace_back(path);
  const std::optional<std::string> collision = output::findOutputCollision(photos, outputs);
  if (collision)
    context.services.messages().showMessage(output::withDetail(failureText, *collision), icon);
  return collision.has_value();
}

// What the picture outputs show when a file cannot be written.
std::string imageSaveFailed() {
  return output::imageSaveFailedText(imaging::ImagingStatus::Win32Error);
}

void hideProgress(CommandContext& context) {
  context.movie.callLabel("/", "HideProgress");
}

// Says in the movie's status line which file was written: a movie or a page may open in
// nothing visible, or in a window somewhere else.
void noteSaved(CommandContext& context, const std::string& path) {
  context.movie.setVariable(
      "StatusText",
      texts::translated(texts::kSavedNote).arg(QString::fromStdString(path)).toStdString());
  context.movie.callLabel("/", "ShowStatus");
}

}  // namespace

void saveImage(CommandContext& context) {
  if (!havePanorama(context)) return;
  FileDialogRequest request =
      saveRequest(texts::kImageFilter, "jpg", context.settings.readInt("Settings", "ImageType", 1));
  request.initialFolder = context.settings.readString("Config", "LastWorkPath", "");
  const std::optional<OutputChoice> choice = chooseOutput(context, request);
  if (!choice) return;
  const std::string path = choice->file.files.front().string();
  context.settings.writeInt("Settings", "ImageType", choice->file.filterIndex);
  context.settings.writeString("Config", "LastWorkPath", path);
  if (refuseOverwritingPhotos(context, {{path, "the image"}}, imageSaveFailed(),
                              output::MessageIcon::Plain))
    return hideProgress(context);
  if (output::savePanorama(context.state.panoramaView(), path, choice->file.filterIndex,
                           choice->options, context.progress, context.services.messages(),
                           shell::usableProcessors())) {
    noteSaved(context, path);
    context.services.openWithAssociatedProgram(path);
  }
  hideProgress(context);
}

void exportViewerProgram(CommandContext& context) {
  if (!havePanorama(context)) return;
  const std::optional<OutputChoice> choice =
      chooseOutput(context, saveRequest(texts::kViewerFilter, "exe", 1));
  if (!choice) return;
  const std::filesystem::path path = choice->file.files.front();
  if (refuseOverwritingPhotos(context, {{path, "the viewer program"}},
                              output::fileSaveFailedText(path), output::MessageIcon::Error))
    return hideProgress(context);
  context.progress.Report(0, output::kSaving);
  if (output::exportViewer(path, context.state.panoramaView(), choice->options,
                           context.programFolder, context.progress, context.services.messages())) {
    context.progress.Report(1, output::kOpeningResult);
    noteSaved(context, path.string());
    context.services.startProgram(path.string());
  }
  hideProgress(context);
}

void exportWebPage(CommandContext& context) {
  if (!havePanorama(context)) return;
  const std::optional<OutputChoice> choice =
      chooseOutput(context, saveRequest(texts::kWebFilter, "html",
                                        context.settings.readInt("Settings", "Last Viewer", 1)));
  if (!choice) return;
  context.settings.writeInt("Settings", "Last Viewer", choice->file.filterIndex);
  const output::WebViewer viewer = output::webViewerForFilterIndex(choice->file.filterIndex);
  const std::string chosen = choice->file.files.front().string();
  if (refuseOverwritingPhotos(context, output::webPageOutputs(viewer, chosen, "the page " + chosen),
                              imageSaveFailed(), output::MessageIcon::Plain))
    return hideProgress(context);
  context.progress.Report(0, output::kSaving);
  const std::optional<std::filesystem::path> page =
      output::exportWebPage(viewer, chosen, context.state.panoramaView(), choice->options,
                            shell::dataFolder(context.programFolder, "templates"), context.progress,
                            context.services.messages());
  if (page) {
    context.state.lastWebPage = page->string();
    context.progress.Report(1, output::kOpeningResult);
    noteSaved(context, context.state.lastWebPage);
    context.services.openWithAssociatedProgram(context.state.lastWebPage);
  }
  hideProgress(context);
}

bool openProjectAt(CommandContext& context, const std::string& path) {
  if (!output::openProject(path, context.movie, context.state.thumbnails,
                           context.services.messages()))
    return false;
  context.state.projectPath = path;
  context.state.changed = false;
  return true;
}

void openProjectChosen(CommandContext& context) {
  if (const auto path = chooseProject(context, FileDialogMode::Open)) openProjectAt(context, *path);
}

bool saveProjectAt(CommandContext& context, const std::string& path) {
  if (refuseOverwritingPhotos(context, {{path, "the project"}},
                              std::string(output::kProjectSaveFailed), output::MessageIcon::Plain))
    return false;
  const MoviePhotos photos = moviePhotoList(context.movie);
  if (!output::saveProject(path, photos.paths, context.services.messages(), photos.rotations))
    return false;
  context.state.projectPath = path;
  context.state.changed = false;
  return true;
}

bool saveProjectChosen(CommandContext& context) {
  const auto path = chooseProject(context, FileDialogMode::Save);
  return path && saveProjectAt(context, *path);
}

}  // namespace skylacer::app
