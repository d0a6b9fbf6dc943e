// SPDX-License-Identifier: GPL-3.0-or-later
#include "movwriter/save_as_qvr.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <new>
#include <string>

#include "movwriter/initialisation.h"
#include "movwriter/qtvr_movie.h"
#include "movwriter/removed_on_exit.h"
#include "movwriter/toolbox/movie_error.h"
#include "platform/shell/machine_processors.h"

namespace {

using namespace skylacer::movwriter;
namespace toolbox = skylacer::toolbox;

static_assert(QVR_CANCELLED == toolbox::userCanceledErr);

void printMessage(const char* title, const char* text) {
  std::fprintf(stderr, "%s: %s\n", title, text);
}

// The host's message function; process-wide by design (set once by the host program).
std::atomic<QvrMessageFunction> messageFunction{printMessage};

// One tile compression worker per processor the process may use, up to 4: each worker holds a
// tile and its encoder's frame buffers, which for the tallest panoramas are tens of megabytes.
int compressionWorkers() {
  constexpr int kMostWorkers = 4;
  return std::min(skylacer::shell::usableProcessors(), kMostWorkers);
}

bool given(const char* path) {
  return path != nullptr && *path != '\0';
}

// Whether two given paths name one file: the same spelling, or one existing file.
bool samePlace(const char* a, const char* b) {
  if (!given(a) || !given(b)) return false;
  std::error_code ignored;
  return std::filesystem::path(a).lexically_normal() ==
             std::filesystem::path(b).lexically_normal() ||
         std::filesystem::equivalent(a, b, ignored);
}

}  // namespace

extern "C" int saveAsQvr(const char* moviePath, const char* imagePath, const char* tilePath,
                         int hfov, int viewWidth, int viewHeight, QvrProgressFunction progress,
                         intptr_t user) {
  // The scratch file goes on every return, unless it is also the picture or the output: the
  // call then refuses to run and deletes nothing.
  const bool tileIsElsewhere = !samePlace(tilePath, imagePath) && !samePlace(tilePath, moviePath);
  const RemovedOnExit removeTileMovie(given(tilePath) && tileIsElsewhere ? tilePath : "");
  try {
    InitialisationFailure failure{};
    std::string detail;
    const toolbox::CodecLibrary* codecs = initialiseOnce(failure, detail);
    if (codecs == nullptr) {
      messageFunction.load()(kMessageTitle, failureMessage(failure));
      return 1;
    }
    if (!given(moviePath) || !given(imagePath) || !given(tilePath)) return toolbox::paramErr;
    if (!tileIsElsewhere || samePlace(moviePath, imagePath))
      return toolbox::paramErr;  // one file would overwrite or delete another
    buildQtvrMovie(QvrRequest{moviePath, imagePath, tilePath, hfov, viewWidth, viewHeight, progress,
                              user, compressionWorkers()},
                   *codecs);
    return toolbox::noErr;
  } catch (const toolbox::MovieToolboxError& error) {
    return error.code();
  } catch (const std::bad_alloc&) {
    return toolbox::memFullErr;
  } catch (const std::exception&) {
    return toolbox::ioErr;
  }
}

extern "C" void setQvrMessageFunction(QvrMessageFunction show) {
  messageFunction.store(show != nullptr ? show : printMessage);
}
