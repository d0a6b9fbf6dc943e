// SPDX-License-Identifier: GPL-3.0-or-later
// The movie writer end to end through its exported function; the movies are read back with the
// tests' own atom reader and checked against the layout of a single-node cylindrical VR movie.
// Calls without a progress function are made by the refusal tests and LongPathsAreNotTruncated.

#include "movwriter/save_as_qvr.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "tests/movwriter/atom_reader.h"
#include "tests/movwriter/test_pictures.h"
#include "tests/support/file_contents.h"
#include "tests/support/temp_dir.h"

namespace skylacer::test {
namespace {

namespace fs = std::filesystem;

constexpr int kParamErr = -50;

struct Written {
  int status = 0;
  fs::path movie;
  std::vector<int> percents;
};

int recordPercent(int percent, intptr_t user) {
  reinterpret_cast<std::vector<int>*>(user)->push_back(percent);
  return 0;
}

// Writes `picture` as the prepared JPEG in `dir` and the movie "pano.mov" from it.
Written writeMovie(const TempDir& dir, const BgrPicture& picture, int hfov, int viewWidth = 400,
                   int viewHeight = 300) {
  writeJpeg(dir / "upright.jpg", picture);
  std::ofstream(dir / "tile").put('x');  // the caller's scratch file exists already
  Written written;
  written.movie = dir / "pano.mov";
  written.status = saveAsQvr(written.movie.c_str(), (dir / "upright.jpg").c_str(),
                             (dir / "tile").c_str(), hfov, viewWidth, viewHeight, recordPercent,
                             reinterpret_cast<intptr_t>(&written.percents));
  return written;
}

double fixedPoint(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return std::int32_t(be32(bytes, offset)) / 65536.0;
}

const FileAtom& track(const FileAtom& file, int index) {
  return file.child("moov").child("trak", index);
}

std::string mediaType(const FileAtom& trak) {
  return fourcc(trak.at("mdia/hdlr").payload, 8);
}

// The first sample description entry of a track: header fields and body.
struct DescriptionEntry {
  std::uint32_t size = 0;
  std::string format;
  std::uint16_t dataReferenceIndex = 0;
  std::vector<std::uint8_t> body;
};

DescriptionEntry firstDescription(const FileAtom& trak) {
  const auto& stsd = trak.at("mdia/minf/stbl/stsd").payload;
  EXPECT_EQ(be32(stsd, 4), 1u) << "one sample description";
  DescriptionEntry entry;
  entry.size = be32(stsd, 8);
  entry.format = fourcc(stsd, 12);
  entry.dataReferenceIndex = be16(stsd, 22);
  entry.body.assign(stsd.begin() + 24, stsd.begin() + 8 + entry.size);
  return entry;
}

ContainerAtom sampleContainer(const Written& written, const FileAtom& trak) {
  const TrackSamples samples = samplesOf(trak);
  EXPECT_EQ(samples.offsets.size(), 1u);
  return readAtomContainer(readRange(written.movie, samples.offsets.at(0), samples.sizes.at(0)));
}

// Ids of same-type siblings are distinct under every parent.
void expectUniqueIds(const ContainerAtom& parent) {
  std::set<std::pair<std::string, std::uint32_t>> seen;
  for (const ContainerAtom& child : parent.children) {
    EXPECT_TRUE(seen.insert({child.type, child.id}).second)
        << child.type << " id " << child.id << " repeats under " << parent.type;
    expectUniqueIds(child);
  }
}

TEST(SaveAsQvr, WritesThreeTracksWithTheirMediaReferencesAndUserData) {
  TempDir dir;
  const Written written = writeMovie(dir, patternPicture(300, 2400), 360);
  ASSERT_EQ(written.status, 0);
  EXPECT_EQ(fileNames(dir.path()), (std::vector<std::string>{"pano.mov", "upright.jpg"}))
      << "the tile movie and the intermediate movie are gone";

  const FileAtom file = readMovieFile(written.movie);
  EXPECT_EQ(file.childTypes(), (std::vector<std::string>{"moov", "mdat"}))
      << "flattened: movie resource first, self-contained";
  const auto& mvhd = file.at("moov/mvhd").payload;
  EXPECT_EQ(be32(mvhd, 12), 3600u) << "movie time scale";
  EXPECT_EQ(be32(mvhd, 16), 7200u) << "movie duration";
  ASSERT_EQ(file.child("moov").count("trak"), 3);

  struct Expected {
    std::string mediaType;
    bool enabled;
    double width, height;
    std::uint32_t samples, sampleDuration;
  };
  const Expected expected[3] = {{"qtvr", true, 400, 300, 1, 7200},
                                {"pano", true, 400, 300, 1, 7200},
                                {"vide", false, 300, 100, 24, 300}};
  std::uint32_t trackIds[3] = {};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE("track " + std::to_string(i + 1));
    const FileAtom& trak = track(file, i);
    const auto& tkhd = trak.child("tkhd").payload;
    trackIds[i] = be32(tkhd, 12);
    EXPECT_EQ(mediaType(trak), expected[i].mediaType);
    EXPECT_EQ(be32(tkhd, 0) & 1, expected[i].enabled ? 1u : 0u) << "enabled flag";
    EXPECT_EQ(be32(tkhd, 20), 7200u) << "track duration";
    EXPECT_EQ(fixedPoint(tkhd, 76), expected[i].width);
    EXPECT_EQ(fixedPoint(tkhd, 80), expected[i].height);
    const auto& mdhd = trak.at("mdia/mdhd").payload;
    EXPECT_EQ(be32(mdhd, 12), 3600u) << "media time scale";
    EXPECT_EQ(be32(mdhd, 16), 7200u) << "media duration";
    const TrackSamples samples = samplesOf(trak);
    EXPECT_EQ(samples.durations,
              std::vector<std::uint32_t>(expected[i].samples, expected[i].sampleDuration));
    for (std::size_t s = 0; s < samples.offsets.size(); ++s)
      EXPECT_LE(samples.offsets[s] + samples.sizes[s], file.size) << "sample inside the file";
  }
  EXPECT_EQ(std::set<std::uint32_t>(trackIds, trackIds + 3).size(), 3u) << "distinct track ids";

  const auto& pano = track(file, 0).at("tref/pano").payload;
  ASSERT_EQ(pano.size(), 4u);
  EXPECT_EQ(be32(pano, 0), trackIds[1]) << "QTVR track refers to the panorama track";
  const auto& imgt = track(file, 1).at("tref/imgt").payload;
  ASSERT_EQ(imgt.size(), 4u);
  EXPECT_EQ(be32(imgt, 0), trackIds[2]) << "panorama track refers to the image track";
  EXPECT_EQ(track(file, 2).count("tref"), 0);

  EXPECT_EQ(fourcc(file.at("moov/udta/ctyp").payload, 0), "qtvr");
  EXPECT_EQ(file.at("moov/udta/ctyp").payload.size(), 4u);

  const DescriptionEntry qtvr = firstDescription(track(file, 0));
  EXPECT_EQ(qtvr.format, "qtvr");
  EXPECT_EQ(qtvr.dataReferenceIndex, 0);
  const DescriptionEntry placeholder = firstDescription(track(file, 1));
  EXPECT_EQ(placeholder.size, 16u);
  const DescriptionEntry cvid = firstDescription(track(file, 2));
  EXPECT_EQ(cvid.format, "cvid");
  EXPECT_EQ(cvid.size, 86u);
  EXPECT_EQ(be16(cvid.body, 16), 300) << "tile width";
  EXPECT_EQ(be16(cvid.body, 18), 100) << "tile height";
}

TEST(SaveAsQvr, DescribesTheVrWorldInTheQtvrSampleDescription) {
  TempDir dir;
  const Written written = writeMovie(dir, patternPicture(96, 480), 360);
  ASSERT_EQ(written.status, 0);
  const ContainerAtom world =
      readAtomContainer(firstDescription(track(readMovieFile(written.movie), 0)).body);
  expectUniqueIds(world);
  ASSERT_EQ(world.children.size(), 3u);

  const ContainerAtom& vrsc = world.child("vrsc");
  EXPECT_EQ(vrsc.id, 1u);
  ASSERT_EQ(vrsc.data.size(), 24u);
  EXPECT_EQ(be16(vrsc.data, 0), 2);
  EXPECT_EQ(be16(vrsc.data, 2), 0);
  EXPECT_EQ(be32(vrsc.data, 4), 0u) << "no name";
  EXPECT_EQ(be32(vrsc.data, 8), 1u) << "default node";
  EXPECT_EQ(be32(vrsc.data, 12), 0u);

  const ContainerAtom& imgp = world.child("imgp");
  EXPECT_EQ(imgp.id, 1u);
  const auto modes = imgp.all("impn");
  ASSERT_EQ(modes.size(), 2u);
  struct Mode {
    std::uint32_t mode, quality, directDraw;
  };
  const Mode expected[2] = {{2, 256, 1}, {1, 768, 0}};  // motion first, then static
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE("impn " + std::to_string(i));
    const auto& data = modes[i]->data;
    ASSERT_EQ(data.size(), 56u);
    EXPECT_EQ(be16(data, 0), 2);
    EXPECT_EQ(be32(data, 4), expected[i].mode);
    EXPECT_EQ(be32(data, 8), 7u) << "valid flags";
    EXPECT_EQ(be32(data, 12), 2u) << "full correction";
    EXPECT_EQ(be32(data, 16), expected[i].quality);
    EXPECT_EQ(be32(data, 20), expected[i].directDraw);
    for (std::size_t b = 24; b < 56; ++b) EXPECT_EQ(data[b], 0) << "byte " << b;
  }

  const ContainerAtom& vrni = world.child("vrnp").child("vrni");
  EXPECT_EQ(world.child("vrnp").id, 1u);
  EXPECT_EQ(vrni.id, 1u) << "node 1";
  const ContainerAtom& nloc = vrni.child("nloc");
  EXPECT_EQ(nloc.id, 1u);
  ASSERT_EQ(nloc.data.size(), 24u);
  EXPECT_EQ(be16(nloc.data, 0), 2);
  EXPECT_EQ(fourcc(nloc.data, 4), "pano");
  for (std::size_t b = 8; b < 24; ++b) EXPECT_EQ(nloc.data[b], 0) << "byte " << b;
}

TEST(SaveAsQvr, DescribesTheNodeAndItsHotSpotsInTheQtvrSample) {
  TempDir dir;
  const Written written = writeMovie(dir, patternPicture(96, 480), 360);
  ASSERT_EQ(written.status, 0);
  const ContainerAtom node = sampleContainer(written, track(readMovieFile(written.movie), 0));
  expectUniqueIds(node);

  const ContainerAtom& ndhd = node.child("ndhd");
  EXPECT_EQ(ndhd.id, 1u);
  ASSERT_EQ(ndhd.data.size(), 28u);
  EXPECT_EQ(be16(ndhd.data, 0), 2);
  EXPECT_EQ(fourcc(ndhd.data, 4), "pano");
  EXPECT_EQ(be32(ndhd.data, 8), 1u) << "node id";
  for (std::size_t b = 12; b < 28; ++b) EXPECT_EQ(ndhd.data[b], 0) << "byte " << b;

  const auto hotSpots = node.child("hspa").all("hots");
  ASSERT_EQ(hotSpots.size(), 254u);
  std::string address;
  for (std::size_t i = 0; i < hotSpots.size(); ++i) {
    SCOPED_TRACE("hot spot " + std::to_string(i + 1));
    const ContainerAtom& hots = *hotSpots[i];
    EXPECT_EQ(hots.id, i + 1);
    const ContainerAtom& vrsg = hots.child("vrsg");
    const std::string name = "Hot Spot Index " + std::to_string(i + 1);
    ASSERT_EQ(vrsg.data.size(), 4 + name.size());
    EXPECT_EQ(be16(vrsg.data, 0), 1) << "string usage";
    EXPECT_EQ(be16(vrsg.data, 2), name.size());
    EXPECT_EQ(std::string(vrsg.data.begin() + 4, vrsg.data.end()), name);

    const ContainerAtom& hsin = hots.child("hsin");
    EXPECT_EQ(hsin.id, 1u);
    ASSERT_EQ(hsin.data.size(), 68u);
    EXPECT_EQ(be16(hsin.data, 0), 2);
    EXPECT_EQ(fourcc(hsin.data, 4), "url ");
    EXPECT_EQ(be32(hsin.data, 8), vrsg.id) << "names its string atom";
    for (std::size_t b = 12; b < 68; ++b) EXPECT_EQ(hsin.data[b], 0) << "byte " << b;

    const ContainerAtom& url = hots.child("url ");
    EXPECT_EQ(url.id, 1u);
    const std::string text(url.data.begin(), url.data.end());
    EXPECT_EQ(text.find('\0'), std::string::npos) << "no terminator";
    if (i == 0) address = text;
    EXPECT_EQ(text, address) << "one fixed address";
  }
  EXPECT_EQ(address.rfind("http", 0), 0u);
}

struct PdatCase {
  const char* name;
  int width, height, hfov;
  std::uint32_t tileHeight;  // t
  double tilt;               // T, degrees
};

class PanoramaSample : public testing::TestWithParam<PdatCase> {};

TEST_P(PanoramaSample, DescribesTheStoredPictureAndTheViewLimits) {
  const PdatCase& c = GetParam();
  TempDir dir;
  const Written written = writeMovie(dir, patternPicture(c.width, c.height), c.hfov);
  ASSERT_EQ(written.status, 0);
  const FileAtom file = readMovieFile(written.movie);
  EXPECT_EQ(fixedPoint(track(file, 2).child("tkhd").payload, 80), c.tileHeight);
  const ContainerAtom sample = sampleContainer(written, track(file, 1));
  ASSERT_EQ(sample.children.size(), 1u);
  const ContainerAtom& pdat = sample.child("pdat");
  EXPECT_EQ(pdat.id, 1u);
  const auto& d = pdat.data;
  ASSERT_EQ(d.size(), 84u);
  const std::uint32_t panoramaWidth = 24 * c.tileHeight;
  EXPECT_EQ(be16(d, 0), 2);
  EXPECT_EQ(be16(d, 2), 0);
  EXPECT_EQ(be32(d, 4), 1u) << "first 'imgt' reference";
  EXPECT_EQ(be32(d, 8), 0u) << "no hot-spot track";
  EXPECT_EQ(beFloat(d, 12), 0.0f) << "minPan";
  EXPECT_EQ(beFloat(d, 16), float(c.hfov)) << "maxPan";
  EXPECT_NEAR(beFloat(d, 20), -c.tilt, 1e-4) << "minTilt";
  EXPECT_NEAR(beFloat(d, 24), c.tilt, 1e-4) << "maxTilt";
  EXPECT_EQ(beFloat(d, 28), 0.0f) << "minFieldOfView";
  EXPECT_NEAR(beFloat(d, 32), 2 * c.tilt, 1e-4) << "maxFieldOfView";
  EXPECT_EQ(beFloat(d, 36), 0.0f) << "defaultPan";
  EXPECT_EQ(beFloat(d, 40), 0.0f) << "defaultTilt";
  EXPECT_NEAR(beFloat(d, 44), 1.6 * c.tilt, 1e-4) << "defaultFieldOfView";
  for (std::size_t picture : {48u, 60u}) {  // image, then hot-spot image
    SCOPED_TRACE("picture fields at " + std::to_string(picture));
    EXPECT_EQ(be32(d, picture), std::uint32_t(c.width)) << "size x";
    EXPECT_EQ(be32(d, picture + 4), panoramaWidth) << "size y";
    EXPECT_EQ(be16(d, picture + 8), 1) << "frames x";
    EXPECT_EQ(be16(d, picture + 10), 24) << "frames y";
  }
  EXPECT_EQ(be32(d, 72), 0u) << "flags";
  EXPECT_EQ(be32(d, 76), 0u) << "panorama type";
  EXPECT_EQ(be32(d, 80), 0u) << "reserved";
}

// T = atan(3.14159 * w / P) * (hfov / 2) / 3.14159, hfov / 2 an integer division.
double tilt(double w, double p, int hfov) {
  return std::atan(3.14159 * w / p) * (hfov / 2) / 3.14159;
}

INSTANTIATE_TEST_SUITE_P(
    Examples, PanoramaSample,
    testing::Values(
        // 300 x 2400: tiles 300 x 100, T about 21.4, maxFieldOfView 42.9, default 34.3
        PdatCase{"FullCircle", 300, 2400, 360, 100, tilt(300, 2400, 360)},
        // hfov 181 halves to 90
        PdatCase{"OddFieldOfView", 300, 2400, 181, 100, tilt(300, 2400, 180)},
        // 2405 rows: t = 100, the last 5 rows are dropped, P = 2400
        PdatCase{"DroppedRows", 96, 2405, 120, 100, tilt(96, 2400, 120)}),
    [](const testing::TestParamInfo<PdatCase>& info) { return std::string(info.param.name); });

TEST(SaveAsQvr, TiltLimitOfTheFullCircleExampleMatchesTheCylinder) {
  // The half vertical angle of a cylinder of circumference 2400 and height 300, in degrees.
  EXPECT_NEAR(tilt(300, 2400, 360), std::atan(M_PI * 300 / 2400) * 180 / M_PI, 0.01);
  EXPECT_NEAR(tilt(300, 2400, 360), 21.4, 0.05);
  EXPECT_NEAR(2 * tilt(300, 2400, 360), 42.9, 0.05);
  EXPECT_NEAR(1.6 * tilt(300, 2400, 360), 34.3, 0.05);
}

TEST(SaveAsQvr, ReportsProgressOncePerTileAndNeverTheEnd) {
  TempDir dir;
  const Written written = writeMovie(dir, patternPicture(96, 480), 360);
  ASSERT_EQ(written.status, 0);
  std::vector<int> expected;
  for (int k = 0; k < 24; ++k) expected.push_back(k * 100 / 24);
  EXPECT_EQ(written.percents, expected);  // the last is 95: never 100
}

TEST(SaveAsQvr, KeepsTheUsersFileThatHasTheIntermediateName) {
  TempDir dir;
  std::ofstream(dir / "pano.mot") << "the user's own file";
  const Written written = writeMovie(dir, patternPicture(96, 480), 360);
  ASSERT_EQ(written.status, 0);
  EXPECT_EQ(fileText(dir / "pano.mot"), "the user's own file");
  EXPECT_EQ(fileNames(dir.path()),
            (std::vector<std::string>{"pano.mot", "pano.mov", "upright.jpg"}));
}

TEST(SaveAsQvr, APictureWiderThanTallSucceedsWithoutWriting) {
  TempDir dir;
  const Written written = writeMovie(dir, patternPicture(480, 96), 360);
  EXPECT_EQ(written.status, 0);
  EXPECT_TRUE(written.percents.empty());
  EXPECT_EQ(fileNames(dir.path()), (std::vector<std::string>{"upright.jpg"}))
      << "no movie, and the scratch file is deleted";
}

TEST(SaveAsQvr, APictureShorterThan24RowsIsRefusedBeforeAnyFile) {
  TempDir dir;
  const Written written = writeMovie(dir, patternPicture(8, 20), 360);
  EXPECT_EQ(written.status, kParamErr);
  EXPECT_TRUE(written.percents.empty());
  EXPECT_EQ(fileNames(dir.path()), (std::vector<std::string>{"upright.jpg"}));
}

TEST(SaveAsQvr, UnreadablePicturesFailAndLeaveNothing) {
  TempDir dir;
  std::ofstream(dir / "not-a-picture.jpg") << "this is text, not a picture";
  for (const char* image : {"missing.jpg", "not-a-picture.jpg"}) {
    SCOPED_TRACE(image);
    std::ofstream(dir / "tile").put('x');
    const int status = saveAsQvr((dir / "pano.mov").c_str(), (dir / image).c_str(),
                                 (dir / "tile").c_str(), 360, 400, 300, nullptr, 0);
    EXPECT_LT(status, 0);
    EXPECT_GE(status, -32768) << "a 16-bit code";
    EXPECT_EQ(fileNames(dir.path()), (std::vector<std::string>{"not-a-picture.jpg"}));
  }
}

TEST(SaveAsQvr, AnUnwritableOutputFolderFailsAndLeavesNothing) {
  TempDir dir;
  std::ofstream(dir / "a-file") << "not a folder";
  writeJpeg(dir / "upright.jpg", patternPicture(96, 480));
  for (const fs::path& movie : {dir / "missing" / "pano.mov", dir / "a-file" / "pano.mov"}) {
    SCOPED_TRACE(movie.string());
    std::ofstream(dir / "tile").put('x');
    const int status = saveAsQvr(movie.c_str(), (dir / "upright.jpg").c_str(),
                                 (dir / "tile").c_str(), 360, 400, 300, nullptr, 0);
    EXPECT_LT(status, 0);
    EXPECT_EQ(fileNames(dir.path()), (std::vector<std::string>{"a-file", "upright.jpg"}));
  }
}

// The three paths of a call; any of them may be null.
struct CallPaths {
  const char *movie, *image, *tile;
};

TEST(SaveAsQvr, MissingPathsAreRefusedAndTheScratchFileIsStillDeleted) {
  TempDir dir;
  writeJpeg(dir / "upright.jpg", patternPicture(96, 480));
  const std::string movie = (dir / "pano.mov").string(), image = (dir / "upright.jpg").string(),
                    tile = (dir / "tile").string();
  for (const CallPaths& paths :
       {CallPaths{nullptr, image.c_str(), tile.c_str()}, CallPaths{"", image.c_str(), tile.c_str()},
        CallPaths{movie.c_str(), nullptr, tile.c_str()},
        CallPaths{movie.c_str(), image.c_str(), nullptr}}) {
    std::ofstream(dir / "tile").put('x');
    EXPECT_EQ(saveAsQvr(paths.movie, paths.image, paths.tile, 360, 400, 300, nullptr, 0),
              kParamErr);
    const bool tileGiven = paths.tile != nullptr;
    EXPECT_EQ(fs::exists(dir / "tile"), !tileGiven);
    fs::remove(dir / "tile");
  }
  EXPECT_EQ(fileNames(dir.path()), (std::vector<std::string>{"upright.jpg"}));
}

TEST(SaveAsQvr, RefusesPathsThatNameOneFileTwiceAndDeletesNeither) {
  TempDir dir;
  writeJpeg(dir / "upright.jpg", patternPicture(96, 480));
  const std::string image = (dir / "upright.jpg").string();
  const std::string imageAgain = (dir / "." / "upright.jpg").string();
  const std::string movie = (dir / "pano.mov").string();
  const std::string tile = (dir / "tile").string();
  std::ofstream(dir / "pano.mov") << "an earlier movie";
  for (const CallPaths& paths : {CallPaths{movie.c_str(), image.c_str(), imageAgain.c_str()},
                                 CallPaths{movie.c_str(), image.c_str(), movie.c_str()},
                                 CallPaths{imageAgain.c_str(), image.c_str(), tile.c_str()}}) {
    SCOPED_TRACE(std::string(paths.movie) + " " + paths.image + " " + paths.tile);
    EXPECT_EQ(saveAsQvr(paths.movie, paths.image, paths.tile, 360, 400, 300, nullptr, 0),
              kParamErr);
    EXPECT_EQ(readPicture(dir / "upright.jpg").width, 96) << "the picture is intact";
    EXPECT_EQ(fileText(dir / "pano.mov"), "an earlier movie");
  }
}

TEST(SaveAsQvr, AViewTooLargeForTheTrackSizeFieldsFailsAndLeavesNothing) {
  TempDir dir;
  const Written written = writeMovie(dir, patternPicture(96, 480), 360, 40000, 300);
  EXPECT_EQ(written.status, kParamErr);
  EXPECT_EQ(fileNames(dir.path()), (std::vector<std::string>{"upright.jpg"}));
}

TEST(SaveAsQvr, LongPathsAreNotTruncated) {
  TempDir dir;
  fs::path folder = dir.path();
  for (int i = 0; i < 6; ++i) folder /= std::string(60, char('a' + i));  // > 262 bytes
  fs::create_directories(folder);
  writeJpeg(folder / "upright.jpg", patternPicture(96, 480));
  ASSERT_GT((folder / "pano.mov").string().size(), 300u);
  EXPECT_EQ(saveAsQvr((folder / "pano.mov").c_str(), (folder / "upright.jpg").c_str(),
                      (folder / "tile").c_str(), 360, 400, 300, nullptr, 0),
            0);
  EXPECT_EQ(fileNames(folder), (std::vector<std::string>{"pano.mov", "upright.jpg"}));
  EXPECT_EQ(readMovieFile(folder / "pano.mov").child("moov").count("trak"), 3);
}

}  // namespace
}  // namespace skylacer::test
