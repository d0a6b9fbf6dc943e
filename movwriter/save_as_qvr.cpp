#include "movwriter/save_as_qvr.h"

#include <atomic>
#include <cstdio>
#include <new>
#include <string>

#include "movwriter/initialisation.h"
#include "movwriter/qtvr_movie.h"
#include "movwriter/removed_on_exit.h"
#include "movwriter/toolbox/movie_error.h"

namespace {

using namespace skylacer::movwriter;
namespace toolbox = skylacer::toolbox;

void printMessage(const char* title, const char* text) { std::fprintf(stderr, "%s: %s\n", title, text); }

// The host's message function; process-wide by design (set once by the host program).
std::atomic<QvrMessageFunction> messageFunction{printMessage};

bool given(const char* path) { return path != nullptr && *path != '\0'; }

}  // namespace

extern "C" int saveAsQvr(const char* moviePath, const char* imagePath, const char* tilePath,
                         int hfov, int viewWidth, int viewHeight, QvrProgressFunction progress,
                         intptr_t user) {
  const RemovedOnExit removeTileMovie(given(tilePath) ? tilePath : "");
  try {
    InitialisationFailure failure{};
    std::string detail;
    const toolbox::CodecLibrary* codecs = initialiseOnce(failure, detail);
    if (codecs == nullptr) {
      messageFunction.load()(kMessageTitle, failureMessage(failure));
      return 1;
    }
    if (!given(moviePath) || !given(imagePath) || !given(tilePath)) return toolbox::paramErr;
    const QvrRequest request{moviePath, imagePath, tilePath, hfov, viewWidth, viewHeight,
                             progress, user};
    if (request.movie == request.tile || request.movie == request.image)
      return toolbox::paramErr;  // the output would destroy its own source
    buildQtvrMovie(request, *codecs);
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
