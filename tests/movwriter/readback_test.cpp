// SPDX-License-Identifier: GPL-3.0-or-later
// Movies read back by other programs: FFmpeg's prober and decoder, and libquicktime's qtdump.
// The tiles FFmpeg decodes, stacked and turned back, must reproduce the source panorama.

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "movwriter/save_as_qvr.h"
#include "tests/movwriter/atom_reader.h"
#include "tests/support/command.h"
#include "tests/movwriter/test_pictures.h"
#include "tests/support/file_contents.h"
#include "tests/support/temp_dir.h"

namespace skylacer::test {
namespace {

namespace fs = std::filesystem;

// The panorama (width W, a multiple of 96, by height H, a multiple of 4) turned upright, saved
// as the prepared JPEG and written as "pano.mov" in `dir`.
fs::path writeMovieOf(const TempDir& dir, const BgrPicture& panorama) {
  writeJpeg(dir / "upright.jpg", turnedUpright(panorama));
  const fs::path movie = dir / "pano.mov";
  const int status = saveAsQvr(movie.c_str(), (dir / "upright.jpg").c_str(), (dir / "tile").c_str(),
                               360, 400, 300, nullptr, 0);
  if (status != 0) throw std::runtime_error("saveAsQvr failed with " + std::to_string(status));
  return movie;
}

TEST(Readback, FfprobeListsTheQtvrPanoramaAndCinepakTracks) {
  TempDir dir;
  const fs::path movie = writeMovieOf(dir, patternPicture(480, 96));
  const CommandResult probe = run(
      "ffprobe -v error -show_entries stream=index,codec_type,codec_name,codec_tag_string,width,"
      "height:stream_disposition=default -of csv=p=0 " +
      quoted(movie));
  ASSERT_EQ(probe.exitCode, 0) << probe.output;
  const auto streams = lines(probe.output);
  ASSERT_EQ(streams.size(), 3u) << probe.output;
  EXPECT_EQ(streams[0].rfind("0,", 0), 0u);
  EXPECT_NE(streams[0].find("data,qtvr"), std::string::npos) << streams[0];
  EXPECT_NE(streams[1].find("data"), std::string::npos) << streams[1];
  EXPECT_EQ(streams[2], "2,cinepak,video,cvid,96,20,0") << "tiles 96 x 20, not a default stream";
}

TEST(Readback, FfmpegDecodesTwentyFourKeyFramesThatRebuildThePanorama) {
  constexpr int kWidth = 960, kHeight = 192, kTileHeight = kWidth / 24;
  TempDir dir;
  const BgrPicture panorama = photoPicture(kWidth, kHeight);
  const fs::path movie = writeMovieOf(dir, panorama);

  const CommandResult packets =
      run("ffprobe -v error -select_streams v:0 -show_entries "
          "packet=flags -of csv=p=0 " +
          quoted(movie));
  ASSERT_EQ(packets.exitCode, 0) << packets.output;
  EXPECT_EQ(lines(packets.output), std::vector<std::string>(24, "K_")) << "24 key frames";

  // Every stored tile is a Cinepak key frame by its own header (first byte 0x00, frame size,
  // tile size), read straight from the file.
  const FileAtom file = readMovieFile(movie);
  const TrackSamples tiles = samplesOf(file.child("moov").child("trak", 2));
  ASSERT_EQ(tiles.offsets.size(), 24u);
  for (std::size_t k = 0; k < tiles.offsets.size(); ++k) {
    SCOPED_TRACE("tile " + std::to_string(k));
    const auto frame = readRange(movie, tiles.offsets[k], tiles.sizes[k]);
    EXPECT_EQ(frame[0], 0x00) << "key frame flag";
    EXPECT_EQ(be32(frame, 0) & 0xFFFFFF, tiles.sizes[k]) << "frame size";
    EXPECT_EQ(be16(frame, 4), kHeight);
    EXPECT_EQ(be16(frame, 6), kTileHeight);
  }

  const fs::path raw = dir / "tiles.bgr";
  const CommandResult decode =
      run("ffmpeg -v error -i " + quoted(movie) +
          " -map 0:v:0 -fps_mode passthrough -f rawvideo -pix_fmt bgr24 " + quoted(raw));
  ASSERT_EQ(decode.exitCode, 0) << decode.output;
  const BgrPicture stacked{kHeight, kWidth, fileBytes(raw)};
  ASSERT_EQ(stacked.pixels.size(), std::size_t(kWidth) * kHeight * 3) << "24 tiles of 192 x 40";

  // Turning the stacked tiles back: stacked(x', y') = panorama(W - 1 - y', x').
  BgrPicture rebuilt{kWidth, kHeight, std::vector<std::uint8_t>(stacked.pixels.size())};
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      for (int c = 0; c < 3; ++c)
        rebuilt.pixels[(std::size_t(y) * kWidth + x) * 3 + c] =
            stacked.pixels[(std::size_t(kWidth - 1 - x) * kHeight + y) * 3 + c];
  const double decibels = psnr(rebuilt, panorama);
  RecordProperty("psnr_db", std::to_string(decibels));
  std::printf("rebuilt panorama PSNR: %.2f dB\n", decibels);
  EXPECT_GE(decibels, 28.0);

  // The first tile holds the panorama's right edge: against the mirrored panorama the
  // rebuilt one must be far worse.
  BgrPicture mirrored = panorama;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      for (int c = 0; c < 3; ++c)
        mirrored.pixels[(std::size_t(y) * kWidth + x) * 3 + c] =
            panorama.pixels[(std::size_t(y) * kWidth + (kWidth - 1 - x)) * 3 + c];
  EXPECT_LT(psnr(rebuilt, mirrored), decibels - 6);
}

TEST(Readback, QtdumpParsesTheVrStructures) {
  TempDir dir;
  const fs::path movie = writeMovieOf(dir, patternPicture(480, 96));
  const CommandResult dump = run("timeout 60 qtdump " + quoted(movie));
  ASSERT_EQ(dump.exitCode, 0) << dump.output;
  for (const char* expected :
       {"ctyp:      qtvr", "format qtvr", "data_reference 0", "default node 1", "node type pano",
        "image size x 96", "image size y 480", "image frames y 24", "maximum pan 360.000000"}) {
    EXPECT_NE(dump.output.find(expected), std::string::npos) << expected;
  }
  for (const std::string& line : lines(dump.output)) {
    const bool knownWarning =
        line.find("[codecs] Warning") != std::string::npos;  // no cvid decoder
    EXPECT_TRUE(knownWarning || line.find("rror") == std::string::npos) << line;
  }
}

}  // namespace
}  // namespace skylacer::test
