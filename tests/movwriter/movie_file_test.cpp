// SPDX-License-Identifier: GPL-3.0-or-later
#include "movwriter/toolbox/movie_file.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/movwriter/atom_reader.h"
#include "tests/movwriter/toolbox_error_code.h"
#include "tests/support/file_contents.h"
#include "tests/support/temp_dir.h"

namespace skylacer::toolbox {
namespace {

namespace fs = std::filesystem;
using test::toolboxErrorOf;

std::vector<std::uint8_t> bytesOf(int size, std::uint8_t first) {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  for (int i = 0; i < size; ++i) bytes[std::size_t(i)] = std::uint8_t(first + i);
  return bytes;
}

// A stored movie of two tracks: "vide" (3 samples of different sizes, two descriptions,
// disabled, 640 x 480) and "qtvr" (1 sample, referring to the first), with user data.
void storeTwoTrackMovie(const fs::path& path) {
  MovieFile file = MovieFile::create(path, FileCreation::ReplaceExisting);
  Movie& movie = file.movie();
  movie.setTimeScale(3600);
  Track& video = movie.newTrack(640, 480);
  Media& videoMedia = video.newMedia(fourCC("vide"), 600);
  const SampleDescription first{fourCC("cvid"), 1, {1, 2, 3}};
  const SampleDescription second{fourCC("cvid"), 1, {4, 5}};
  file.addMediaSample(videoMedia, bytesOf(10, 0), 100, first);
  file.addMediaSample(videoMedia, bytesOf(20, 50), 100, first);
  file.addMediaSample(videoMedia, bytesOf(5, 200), 400, second);
  video.insertMedia(0, videoMedia.duration());
  video.setEnabled(false);

  Track& vr = movie.newTrack(320.5, 240);
  Media& vrMedia = vr.newMedia(fourCC("qtvr"), 3600);
  file.addMediaSample(vrMedia, bytesOf(7, 9), 7200, SampleDescription{fourCC("qtvr"), 0, {}});
  vr.insertMedia(0, 7200);
  EXPECT_EQ(vr.addReference(video, fourCC("pano")), 1u);
  EXPECT_EQ(vr.addReference(video, fourCC("pano")), 2u);
  movie.setUserData(fourCC("ctyp"), {'q', 't', 'v', 'r'});
  file.storeMovie();
}

void expectTwoTrackMovie(const MovieFile& file) {
  const Movie& movie = file.movie();
  EXPECT_EQ(movie.timeScale(), 3600u);
  EXPECT_EQ(movie.duration(), 7200u);
  ASSERT_EQ(movie.tracks().size(), 2u);

  const Track& video = movie.tracks()[0];
  EXPECT_EQ(video.id(), 1u);
  EXPECT_FALSE(video.enabled());
  EXPECT_EQ(video.width(), 640);
  EXPECT_EQ(video.height(), 480);
  const Media& videoMedia = *video.media();
  EXPECT_EQ(videoMedia.type(), fourCC("vide"));
  EXPECT_EQ(videoMedia.timeScale(), 600u);
  EXPECT_EQ(videoMedia.duration(), 600u);
  EXPECT_EQ(video.editedMediaDuration(), 600u);
  ASSERT_EQ(videoMedia.samples().size(), 3u);
  ASSERT_EQ(videoMedia.descriptions().size(), 2u);
  EXPECT_EQ(videoMedia.description(videoMedia.samples()[1]).body,
            (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_EQ(videoMedia.description(videoMedia.samples()[2]).body,
            (std::vector<std::uint8_t>{4, 5}));
  EXPECT_EQ(file.readSample(videoMedia, 0), bytesOf(10, 0));
  EXPECT_EQ(file.readSample(videoMedia, 1), bytesOf(20, 50));
  EXPECT_EQ(file.readSample(videoMedia, 2), bytesOf(5, 200));
  EXPECT_EQ(videoMedia.samples()[2].duration, 400u);

  const Track& vr = movie.tracks()[1];
  EXPECT_TRUE(vr.enabled());
  EXPECT_EQ(vr.width(), 320.5);
  EXPECT_EQ(vr.media()->descriptions()[0].dataReferenceIndex, 0);
  EXPECT_EQ(file.readSample(*vr.media(), 0), bytesOf(7, 9));
  ASSERT_EQ(vr.references().size(), 1u);
  EXPECT_EQ(vr.references()[0].type, fourCC("pano"));
  EXPECT_EQ(vr.references()[0].trackIds, (std::vector<std::uint32_t>{1, 1}));
  EXPECT_EQ(movie.indexedTrackOfType(fourCC("qtvr"), 1), &vr);
  EXPECT_EQ(movie.indexedTrackOfType(fourCC("vide"), 2), nullptr);

  ASSERT_EQ(movie.userData().size(), 1u);
  EXPECT_EQ(movie.userData()[0].type, fourCC("ctyp"));
  EXPECT_EQ(movie.userData()[0].data, (std::vector<std::uint8_t>{'q', 't', 'v', 'r'}));
}

TEST(MovieFile, AStoredMovieReadsBackWithItsSamplesAndTables) {
  test::TempDir dir;
  storeTwoTrackMovie(dir / "stored.mov");
  expectTwoTrackMovie(MovieFile::open(dir / "stored.mov"));
  EXPECT_EQ(test::readMovieFile(dir / "stored.mov").childTypes(),
            (std::vector<std::string>{"mdat", "moov"}));
}

TEST(MovieFile, AFlattenedMovieIsSelfContainedWithItsResourceFirst) {
  test::TempDir dir;
  storeTwoTrackMovie(dir / "stored.mov");
  MovieFile::open(dir / "stored.mov").flattenTo(dir / "flat.mov");
  fs::remove(dir / "stored.mov");
  expectTwoTrackMovie(MovieFile::open(dir / "flat.mov"));
  const test::FileAtom flat = test::readMovieFile(dir / "flat.mov");
  EXPECT_EQ(flat.childTypes(), (std::vector<std::string>{"moov", "mdat"}));
  // Samples are laid out track by track; contiguous samples of one description share a chunk.
  const auto& stsc = flat.child("moov").child("trak").at("mdia/minf/stbl/stsc").payload;
  EXPECT_EQ(test::be32(stsc, 4), 2u) << "chunk runs {1, 2 samples, description 1}, {2, 1, 2}";
}

TEST(MovieFile, CreatingANewFileNeverOverwritesOne) {
  test::TempDir dir;
  std::ofstream(dir / "taken.mov") << "keep";
  EXPECT_EQ(toolboxErrorOf([&] { MovieFile::create(dir / "taken.mov", FileCreation::New); }),
            dupFNErr);
  EXPECT_EQ(test::fileText(dir / "taken.mov"), "keep");
  EXPECT_EQ(toolboxErrorOf([&] { MovieFile::create(dir / "no" / "x.mov", FileCreation::New); }),
            fnfErr);
  EXPECT_EQ(toolboxErrorOf([&] { MovieFile::create("", FileCreation::New); }), paramErr);
}

TEST(MovieFile, AFailedFlattenLeavesNoOutputAndKeepsTheMovieThatWasThereBefore) {
  test::TempDir dir;
  storeTwoTrackMovie(dir / "stored.mov");
  const MovieFile stored = MovieFile::open(dir / "stored.mov");
  fs::resize_file(dir / "stored.mov", 20);  // the sample bytes are gone
  EXPECT_EQ(toolboxErrorOf([&] { stored.flattenTo(dir / "flat.mov"); }), badDataErr);
  EXPECT_FALSE(fs::exists(dir / "flat.mov"));
  EXPECT_EQ(toolboxErrorOf([&] { stored.flattenTo(dir / "missing" / "flat.mov"); }), fnfErr);

  test::writeFile(dir / "flat.mov", "the user's earlier movie");
  EXPECT_EQ(toolboxErrorOf([&] { stored.flattenTo(dir / "flat.mov"); }), badDataErr);
  EXPECT_EQ(test::fileText(dir / "flat.mov"), "the user's earlier movie");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2)
      << "no partial file is left beside it";
}

// Overwrites a big-endian 32-bit value in a file.
void patch32(const fs::path& path, std::uint64_t offset, std::uint32_t value) {
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  file.seekp(std::streamoff(offset));
  const char bytes[4] = {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
  file.write(bytes, 4);
}

TEST(MovieFile, CorruptFilesAreRefusedWithoutReadingBeyondThem) {
  test::TempDir dir;
  const fs::path path = dir / "movie.mov";
  storeTwoTrackMovie(path);
  const test::FileAtom file = test::readMovieFile(path);
  const test::FileAtom& stbl = file.child("moov").child("trak").at("mdia/minf/stbl");
  const std::uint64_t stco = stbl.child("stco").offset;
  const std::uint64_t stsz = stbl.child("stsz").offset;
  const std::uint64_t moovEnd = file.child("moov").offset + file.child("moov").size;

  struct Damage {
    const char* what;
    std::uint64_t offset;
    std::uint32_t value;
    OSErr expected;
  };
  const Damage damages[] = {
      {"chunk offset past the end", stco + 16, 0xFFFFFF00, badDataErr},
      {"sample count beyond the table", stsz + 16, 0x40000000, badDataErr},
      {"chunk table longer than its atom", stco + 12, 0x10000000, badDataErr},
      {"atom larger than its parent", stbl.offset, 0x7FFFFFFF, badDataErr},
  };
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.what);
    storeTwoTrackMovie(path);
    patch32(path, damage.offset, damage.value);
    EXPECT_EQ(toolboxErrorOf([&] { MovieFile::open(path); }), damage.expected);
  }

  storeTwoTrackMovie(path);
  fs::resize_file(path, moovEnd - 10);
  EXPECT_EQ(toolboxErrorOf([&] { MovieFile::open(path); }), invalidMovie) << "cut short";
  std::ofstream(path, std::ios::trunc) << "plain text, no movie at all";
  EXPECT_EQ(toolboxErrorOf([&] { MovieFile::open(path); }), invalidMovie);
  EXPECT_EQ(toolboxErrorOf([&] { MovieFile::open(dir / "missing.mov"); }), fnfErr);
}

}  // namespace
}  // namespace skylacer::toolbox
