// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What one command of the main window leaves for the next. One instance, owned by the main
// window for its whole life.

#include <filesystem>
#include <string>
#include <vector>

#include "engine/buffers.h"
#include "output/panorama.h"
#include "output/temporary_file_list.h"
#include "platform/imaging/photo_metadata.h"
#include "tuning/profiles.h"

namespace skylacer::app {

struct WorkingState {
  // The photos of the last stitch, full UTF-8 paths, in stitch order.
  std::vector<std::string> photoList;
  // The panorama of the last stitch: panoramaSize.width x height x 3 bytes, blue-green-red.
  UnfilledRgbImage panorama;
  ImageSize panoramaSize;
  double fieldOfView = output::kProgramPi;  // horizontal, radians
  // The first photo's colour profile and capture date, carried into the saved panorama.
  imaging::PhotoMetadata photoMetadata;
  // Set when the movie or the user changed the project since the last save, open or new
  // project; never derived from the data.
  bool changed = false;
  std::string projectPath;
  std::string lastWebPage;
  // "Interface" under "Settings" as stored ("quiltra.swf" by default): names the section of the
  // movie's own settings.
  std::string interfaceFile;
  tuning::ProfileTable profiles;
  // Thumbnails handed to the movie; deleted with the window.
  output::TemporaryFileList thumbnails;

  bool hasPanorama() const { return !panorama.empty() && panoramaSize.width > 0; }
  output::PanoramaView panoramaView() const {
    return {panorama.data(), panoramaSize, fieldOfView, &photoMetadata};
  }
  void discardStitch() {
    photoList.clear();
    UnfilledRgbImage().swap(panorama);
    panoramaSize = {};
    photoMetadata = {};
  }
};

}  // namespace skylacer::app
