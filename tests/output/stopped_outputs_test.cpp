// SPDX-License-Identifier: GPL-3.0-or-later
// Every output stopped by its progress object in the middle of its long step: it ends there
// without a message, the file it would have replaced stays as it was, and no temporary file is
// left behind.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "output/image.h"
#include "output/viewerexport.h"
#include "output/webexport.h"
#include "tests/output/recorders.h"
#include "tests/output/test_panorama.h"
#include "tests/support/file_contents.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace skylacer::output {
namespace {

namespace fs = std::filesystem;

const fs::path kProgramFolder = SKYLACER_PROGRAM_FOLDER;

struct OutputRun {
  const PanoramaView& panorama;
  const fs::path& folder;
  const fs::path& install;  // the program folder the viewer export reads
  IProgress& progress;
  UserPrompt& prompt;
};

struct StoppedCase {
  const char* name;
  double stopFrom;   // position in the whole range where the progress starts answering "stop"
  double stepEnd;    // position where the long step that is stopped ends
  const char* kept;  // the file in the output folder that the output would replace
  std::function<bool(const OutputRun&)> write;
};

void PrintTo(const StoppedCase& c, std::ostream* os) {
  *os << c.name;
}

class StoppedOutput : public testing::TestWithParam<StoppedCase> {};

TEST_P(StoppedOutput, EndsQuietlyAndKeepsTheOldFile) {
  const StoppedCase& c = GetParam();
  test::TempDir temporary, folder, install;
  const test::ScopedEnv tmpdir("TMPDIR", temporary.path().c_str());
  test::writeFile(install / kViewerFileName, "a viewer program");
  test::writeFile(folder / c.kept, "the file saved before");
  const test::TestPanorama panorama = test::gradientPanorama({3000, 750});
  const PanoramaView view = panorama.view();
  test::RecordingProgress progress;
  progress.stopFrom = c.stopFrom;
  test::RecordingPrompt prompt;

  EXPECT_FALSE(c.write({view, folder.path(), install.path(), progress, prompt}));
  EXPECT_TRUE(prompt.messages.empty()) << prompt.messages.front();
  EXPECT_TRUE(test::fileText(folder / c.kept) == "the file saved before") << "replaced";
  EXPECT_TRUE(test::fileNames(temporary.path()).empty());
  // The work ended at the report that said stop: what follows are the closing reports of the
  // ranges it was in, never another band, part or tile.
  const auto firstStop = std::find_if(progress.reports.begin(), progress.reports.end(),
                                      [&](const auto& r) { return r.position >= c.stopFrom; });
  ASSERT_NE(firstStop, progress.reports.end()) << "the long step reported no progress";
  EXPECT_LT(firstStop->position, c.stepEnd) << "the stop was seen only after the long step";
  EXPECT_LE(progress.reports.end() - firstStop, 3);
}

// Saved on two threads, as the desktop program does on any machine with two processors: the
// calling thread may be left waiting for the other's stripes and must still see the stop.
bool saveAs(const OutputRun& run, const char* name, int filterIndex, ImageSize size) {
  return savePanorama(run.panorama, (run.folder / name).string(), filterIndex, {size, 75},
                      run.progress, run.prompt, 2);
}

bool exportPage(const OutputRun& run, WebViewer viewer) {
  return exportWebPage(viewer, (run.folder / "page.html").string(), run.panorama,
                       {{6000, 1500}, 75}, kProgramFolder, run.progress, run.prompt)
      .has_value();
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, StoppedOutput,
    testing::Values(
        StoppedCase{"JPEG while scaling", 0.2, 0.95, "pano.jpg",
                    [](const OutputRun& run) {
                      return saveAs(run, "pano.jpg", 1, {6000, 1500});
                    }},
        StoppedCase{"JPEG while encoding", 0.5, 0.95, "pano.jpg",
                    [](const OutputRun& run) {
                      return saveAs(run, "pano.jpg", 1, {3000, 750});
                    }},
        StoppedCase{"movie while preparing its picture", 0.15, 0.3, "pano.mov",
                    [](const OutputRun& run) {
                      return saveAs(run, "pano.mov", kQuickTimeFilterIndex, {3000, 750});
                    }},
        StoppedCase{"movie while writing its tiles", 0.5, 0.95, "pano.mov",
                    [](const OutputRun& run) {
                      return saveAs(run, "pano.mov", kQuickTimeFilterIndex, {3000, 750});
                    }},
        StoppedCase{"java page while scaling its picture", 0.2, 0.9, "page.jpg",
                    [](const OutputRun& run) { return exportPage(run, WebViewer::Java); }},
        StoppedCase{"flash page between its slices", 0.3, 0.9, "page.html",
                    [](const OutputRun& run) { return exportPage(run, WebViewer::Flash); }},
        StoppedCase{"viewer program while scaling its picture", 0.3, 0.9, "pano",
                    [](const OutputRun& run) {
                      return exportViewer(run.folder / "pano", run.panorama, {{6000, 1500}, 75},
                                          run.install, run.progress, run.prompt);
                    }},
        StoppedCase{"viewer program while encoding its picture", 0.6, 0.9, "pano",
                    [](const OutputRun& run) {
                      return exportViewer(run.folder / "pano", run.panorama, {{3000, 750}, 75},
                                          run.install, run.progress, run.prompt);
                    }}),
    [](const testing::TestParamInfo<StoppedCase>& info) {
      std::string name = info.param.name;
      std::replace(name.begin(), name.end(), ' ', '_');
      return name;
    });

}  // namespace
}  // namespace skylacer::output
