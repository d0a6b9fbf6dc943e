// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/webexport.h"

#include <algorithm>
#include <array>
#include <span>
#include <vector>

#include "output/image.h"
#include "output/messages.h"
#include "output/movie_script.h"
#include "output/path_names.h"
#include "output/quicktime_movie.h"
#include "output/templates.h"
#include "output/web_page_values.h"
#include "platform/shell/machine_processors.h"

namespace skylacer::output {

namespace {

using imaging::ImagingStatus;

struct ExportRequest {
  const std::string& chosenPath;
  const PageName& page;
  const PanoramaView& panorama;
  const OutputOptions& options;
  IProgress& progress;
  UserPrompt& prompt;
};

// The pictures of one page written and the placeholders that describe them, or nothing after a
// failure that was shown.
using PagePlaceholders = std::optional<std::vector<Placeholder>>;

std::string decimal(int value) {
  return std::to_string(value);
}

// "#OBJWIDTH#" and "#OBJHEIGHT#" lead every page's list.
std::vector<Placeholder> objectPlaceholders(ImageSize object) {
  return {{"#OBJWIDTH#", decimal(object.width)}, {"#OBJHEIGHT#", decimal(object.height)}};
}

PagePlaceholders writeFlashPictures(const ExportRequest& request) {
  const ImageSize output = request.options.size;
  const int angle = angleDegrees(request.panorama.fieldOfView);
  const int partWidth = flashPartWidth(output.width, angle);
  request.progress.Report(0.1, kSavingConvertingToJpeg);
  const SliceNames names{request.page.folder + request.page.baseName, ".jpg"};
  std::string failure;
  request.progress.PushRange(0.1, 0.9);
  const ImagingStatus status =
      writeSlices(names, request.panorama.pixels, request.panorama.size, 0, output, partWidth,
                  request.options.quality, &failure, &request.progress);
  request.progress.PopRange();
  request.progress.Report(0.9, kSavingConvertingToJpeg);
  if (status == ImagingStatus::Aborted) return std::nullopt;  // stopped by the user: no message
  if (status != ImagingStatus::Ok) {
    request.prompt.showMessage(withDetail(imageSaveFailedText(status), failure),
                               MessageIcon::Plain);
    return std::nullopt;
  }
  std::vector<Placeholder> values = objectPlaceholders(viewerObjectSize(output));
  values.push_back({"#PANOWIDTH#", decimal(output.width)});
  values.push_back({"#PANOHEIGHT#", decimal(output.height)});
  values.push_back({"#PANOANGLE#", decimal(angle)});
  values.push_back({"#PANONAME#", escapeMarkup(request.page.baseName)});
  values.push_back({"#PANOPARTS#", decimal(partCount(output.width, partWidth))});
  values.push_back({"#PARTWIDTH#", decimal(partWidth)});
  return values;
}

// Java and ActiveX: one JPEG beside the page.
PagePlaceholders writeJpegPicture(const ExportRequest& request, WebViewer viewer) {
  const ImageSize output = request.options.size;
  const std::string picture = replaceExtension(request.chosenPath, ".jpg");
  request.progress.Report(0.1, kSavingConvertingToJpeg);
  request.progress.PushRange(0.1, 0.9);
  std::string failure;
  const ImagingStatus status = writeJpeg(picture, request.panorama.pixels, request.panorama.size, 0,
                                         output, request.options.quality, &failure, nullptr,
                                         &request.progress, shell::usableProcessors());
  request.progress.PopRange();
  if (status == ImagingStatus::Aborted) return std::nullopt;  // stopped by the user: no message
  if (status != ImagingStatus::Ok) {
    request.prompt.showMessage(withDetail(imageSaveFailedText(status), failure),
                               MessageIcon::Plain);
    return std::nullopt;
  }
  std::vector<Placeholder> values = objectPlaceholders(viewerObjectSize(output));
  if (viewer == WebViewer::Java) {
    values.push_back(
        {"#PANOANGLE#", decimal(std::min(angleDegrees(request.panorama.fieldOfView), 360))});
  } else {
    values.push_back({"#PANOWIDTH#", decimal(output.width)});
    values.push_back({"#PANOHEIGHT#", decimal(output.height)});
    values.push_back({"#PANOANGLE#", radiansText(request.panorama.fieldOfView)});
  }
  values.push_back({"#PANONAME#", escapeMarkup(fileNameOf(picture))});
  return values;
}

PagePlaceholders writeMovie(const ExportRequest& request) {
  const std::string movie = replaceExtension(request.chosenPath, ".mov");
  const ImageSize object = viewerObjectSize(quickTimeSourceSize(request.options.size));
  request.progress.Report(0.1, kSavingToQuickTime);
  if (!writeQuickTimeMovie(request.panorama, movie, request.options.size, object, request.progress,
                           request.prompt))
    return std::nullopt;
  // The page's viewer reads the movie through this script.
  if (std::string failure; !writeMovieScript(movie, failure)) {
    request.prompt.showMessage(withDetail(fileSaveFailedText(movieScriptPath(movie)), failure),
                               MessageIcon::Error);
    return std::nullopt;
  }
  std::vector<Placeholder> values = objectPlaceholders(ImageSize{object.width, object.height + 15});
  values.push_back({"#PANOANGLE#", radiansText(request.panorama.fieldOfView)});
  values.push_back({"#PANONAME#", escapeMarkup(fileNameOf(movie))});
  return values;
}

constexpr std::string_view kFlashFolder = "templates/flash";

std::vector<TemplateEntry> templatesOf(WebViewer viewer, std::string_view pageExtension) {
  switch (viewer) {
    case WebViewer::Flash:
      return {
          {kFlashFolder, "template", ".xml", true}, {kFlashFolder, "template", pageExtension, true},
          {kFlashFolder, "pviewer", ".swf", false}, {kFlashFolder, "pano0d", ".swf", false},
          {kFlashFolder, "pano1d", ".swf", false},  {kFlashFolder, "sp", ".swf", false},
          {kFlashFolder, "swfobject", ".js", false}};
    case WebViewer::Java:
      return {{"templates/ptviewer", "template", pageExtension, true},
              {"templates/ptviewer", "ptviewer", ".jar", false}};
    case WebViewer::ActiveX:
      return {{"templates/activex", "template", pageExtension, true}};
    case WebViewer::QuickTimeVr:
      return {{"templates/qtvr", "template", pageExtension, true}};
  }
  return {};
}

}  // namespace

std::vector<PlannedOutput> webPageOutputs(WebViewer viewer, const std::string& chosenPath,
                                          const std::string& role) {
  const PageName page = pageNameFor(chosenPath);
  std::vector<PlannedOutput> files;
  switch (viewer) {
    case WebViewer::Flash:
      files.push_back({page.folder + page.baseName, role, ".jpg"});
      break;
    case WebViewer::QuickTimeVr: {
      const std::string movie = replaceExtension(chosenPath, ".mov");
      files.push_back({movie, role});
      files.push_back({movieScriptPath(movie), role});
      break;
    }
    case WebViewer::ActiveX:
    case WebViewer::Java:
      files.push_back({replaceExtension(chosenPath, ".jpg"), role});
      break;
  }
  for (const TemplateEntry& entry : templatesOf(viewer, page.extension))
    files.push_back({templateTargetPath(entry, PageTarget{page.folder, page.baseName}), role,
                     std::nullopt, !entry.substitute});
  return files;
}

WebViewer webViewerForFilterIndex(int filterIndex) {
  switch (filterIndex) {
    case 2:
      return WebViewer::QuickTimeVr;
    case 3:
      return WebViewer::ActiveX;
    case 4:
      return WebViewer::Java;
    default:
      return WebViewer::Flash;
  }
}

std::optional<std::filesystem::path> exportWebPage(WebViewer viewer, const std::string& chosenPath,
                                                   const PanoramaView& panorama,
                                                   const OutputOptions& options,
                                                   const std::filesystem::path& programFolder,
                                                   IProgress& progress, UserPrompt& prompt) {
  const PageName page = pageNameFor(chosenPath);
  const ExportRequest request{chosenPath, page, panorama, options, progress, prompt};
  const PagePlaceholders placeholders = viewer == WebViewer::Flash ? writeFlashPictures(request)
                                        : viewer == WebViewer::QuickTimeVr
                                            ? writeMovie(request)
                                            : writeJpegPicture(request, viewer);
  if (!placeholders) return std::nullopt;

  const std::vector<TemplateEntry> entries = templatesOf(viewer, page.extension);
  progress.PushRange(0.9, 0.95);
  const bool written =
      processTemplates(entries, *placeholders, PageTarget{page.folder, page.baseName},
                       programFolder, progress, prompt);
  progress.PopRange();
  if (!written) return std::nullopt;
  return page.pagePath();
}

}  // namespace skylacer::output
