// SPDX-License-Identifier: GPL-3.0-or-later
// Tiles compressed by several workers: the movie is the same file for any number of them, the
// progress function is called on the caller's thread in tile order, and a stop ends the drawing
// at the tile it was asked for.

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "movwriter/initialisation.h"
#include "movwriter/qtvr_movie.h"
#include "movwriter/tile_compression.h"
#include "tests/movwriter/atom_reader.h"
#include "tests/movwriter/test_pictures.h"
#include "tests/support/temp_dir.h"

namespace skylacer::movwriter {
namespace {

namespace fs = std::filesystem;

const toolbox::CodecLibrary& codecs() {
  InitialisationFailure failure{};
  std::string detail;
  const toolbox::CodecLibrary* library = initialiseOnce(failure, detail);
  if (library == nullptr) throw std::runtime_error("libavcodec cannot be used: " + detail);
  return *library;
}

// A photograph turned upright, 24 tiles of 192 x 40: tiles that differ from each other.
fs::path writeUprightPhoto(const test::TempDir& dir) {
  const fs::path picture = dir / "upright.jpg";
  test::writeJpeg(picture, test::turnedUpright(test::photoPicture(960, 192)));
  return picture;
}

struct ProgressLog {
  std::thread::id caller = std::this_thread::get_id();
  std::vector<int> percents;
  bool otherThread = false;
};

int logProgress(int percent, intptr_t user) {
  auto& log = *reinterpret_cast<ProgressLog*>(user);
  log.percents.push_back(percent);
  log.otherThread = log.otherThread || std::this_thread::get_id() != log.caller;
  return 0;
}

TEST(TileWorkers, TheMovieIsTheSameFileForAnyNumberOfWorkers) {
  const test::TempDir dir;
  const fs::path picture = writeUprightPhoto(dir);
  struct MovieSummary {
    std::uintmax_t size;
    std::vector<std::uint8_t> mediaData;
    bool operator==(const MovieSummary&) const = default;
  };
  std::optional<MovieSummary> oneWorker;
  for (const int workers : {1, 2, 3, 5, 24}) {
    SCOPED_TRACE(std::to_string(workers) + " workers");
    ProgressLog log;
    const fs::path movie = dir / ("pano" + std::to_string(workers) + ".mov");
    buildQtvrMovie(QvrRequest{movie, picture, dir / "tile", 360, 400, 300, logProgress,
                              reinterpret_cast<intptr_t>(&log), workers},
                   codecs());
    std::vector<int> expected;
    for (int tile = 0; tile < kTileCount; ++tile) expected.push_back(tile * 100 / kTileCount);
    EXPECT_EQ(log.percents, expected) << "once per tile, in order";
    EXPECT_FALSE(log.otherThread) << "progress is reported on the caller's thread only";
    // The header's creation times aside (whole seconds of the clock), the file is its media
    // data, which holds every sample, and tables that follow from the samples' sizes.
    const test::FileAtom file = test::readMovieFile(movie);
    const MovieSummary summary{fs::file_size(movie), file.child("mdat").payload};
    if (!oneWorker)
      oneWorker = summary;
    else
      EXPECT_TRUE(summary == *oneWorker) << "differs from the movie of one worker";
  }
}

TEST(TileWorkers, AStopEndsTheDrawingAtItsTileAndIsRethrown) {
  const test::TempDir dir;
  auto importer = toolbox::GraphicsImporter::forFile(writeUprightPhoto(dir).string());
  const PanoramaGeometry geometry{192, 40};
  struct Stopped {};
  for (const int stopTile : {0, 7, 23}) {
    SCOPED_TRACE("stop before tile " + std::to_string(stopTile));
    std::vector<int> announced;
    const BeforeTile stopAt = [&](int tile) {
      announced.push_back(tile);
      if (tile == stopTile) throw Stopped{};
    };
    EXPECT_THROW(compressTiles(importer, codecs(), geometry, 3, stopAt), Stopped);
    ASSERT_FALSE(announced.empty());
    EXPECT_EQ(announced.back(), stopTile) << "no tile is announced after the stop";
    EXPECT_EQ(announced.size(), std::size_t(stopTile) + 1);
  }
}

}  // namespace
}  // namespace skylacer::movwriter
