// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Building a single-node cylindrical VR movie from a prepared panorama picture: the tile movie
// in the caller's scratch file, the VR movie in an intermediate file beside the output, and
// the flattened, self-contained output.

#include <cstdint>
#include <filesystem>

#include "movwriter/save_as_qvr.h"
#include "movwriter/toolbox/codec_library.h"

namespace skylacer::movwriter {

struct QvrRequest {
  std::filesystem::path movie;  // the output
  std::filesystem::path image;  // the prepared picture: the panorama turned to stand upright
  std::filesystem::path tile;   // scratch file for the tile movie (deleted by the caller)
  int hfovDegrees = 0;
  int viewWidth = 0;                       // pixels
  int viewHeight = 0;                      // pixels
  QvrProgressFunction progress = nullptr;  // may be null
  std::intptr_t user = 0;
  int workers = 1;  // tiles compressed at once; the movie's bytes do not depend on it
};

// Writes the movie. Returns normally when it was written, and without writing anything when
// the picture is wider than tall. Throws toolbox::MovieToolboxError with the failing step's
// code (paramErr for a picture less than 24 rows tall, before any file is made; userCanceledErr
// when the progress function asked to stop) or std::bad_alloc; the intermediate file and a
// partly written output are gone by then.
void buildQtvrMovie(const QvrRequest& request, const toolbox::CodecLibrary& codecs);

}  // namespace skylacer::movwriter
