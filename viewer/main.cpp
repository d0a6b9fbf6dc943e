// The stand-alone panorama viewer.

#include <QApplication>
#include <clocale>
#include <cstdlib>

#include "viewer/messages.h"
#include "viewer/start_options.h"
#include "viewer/viewer_app.h"

int main(int argc, char** argv) {
  using namespace skylacer::viewer;
  const std::optional<StartOptions> options = parseStartOptions(commandLineText(argc, argv));
  // The OpenGL driver is chosen when the first context is made: Mesa's software renderer for
  // "-emulation" and "-systemmemory". A bad command line is reported once the window shows.
  if (options && options->softwareRendering()) setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);

  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  // The X window class of every window of the program.
  QCoreApplication::setApplicationName(text::kWindowClass);
  // Qt sees only the program's name: every argument is the viewer's own.
  char programName[] = "viewer";
  int qtArgc = 1;
  char* qtArgv[] = {argc > 0 && argv[0] != nullptr ? argv[0] : programName, nullptr};
  QApplication application(qtArgc, qtArgv);
  std::setlocale(LC_NUMERIC, "C");

  ViewerApp viewer(options, arguments);
  return viewer.run();
}
