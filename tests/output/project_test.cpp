// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/project.h"

#include <gtest/gtest.h>

#include "output/messages.h"
#include "tests/output/recorders.h"
#include "tests/output/test_panorama.h"
#include "tests/support/file_contents.h"
#include "tests/support/samples.h"
#include "tests/support/temp_dir.h"

namespace skylacer::output {
namespace {

using test::RecordingMovie;
using test::RecordingPrompt;

std::vector<std::uint8_t> header(std::uint32_t magic, std::uint32_t version, std::int32_t count) {
  std::vector<std::uint8_t> bytes;
  for (std::uint32_t value : {magic, version, static_cast<std::uint32_t>(count)})
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(std::uint8_t(value >> shift));
  return bytes;
}

void appendRecord(std::vector<std::uint8_t>& bytes, std::uint32_t length, std::string_view path) {
  for (int shift = 0; shift < 32; shift += 8) bytes.push_back(std::uint8_t(length >> shift));
  bytes.insert(bytes.end(), path.begin(), path.end());
}

TEST(ProjectFile, EmptyProjectIsTwelveBytes) {
  EXPECT_EQ(projectFileBytes({}),
            (std::vector<std::uint8_t>{0x67, 0x23, 0xA1, 0x0F, 100, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(ProjectFile, PathRecordHoldsLengthPathAndZeroByte) {
  const std::vector<std::string> photos = {"/a/b.jpg"};
  std::vector<std::uint8_t> expected = header(kProjectMagic, 100, 1);
  appendRecord(expected, 9, "/a/b.jpg");
  expected.push_back(0);
  EXPECT_EQ(projectFileBytes(photos), expected);
}

TEST(ProjectFile, ReadsEveryVersionUpTo100AndConvertsWindowsPaths) {
  for (std::uint32_t version : {0u, 99u, 100u}) {
    SCOPED_TRACE(version);
    std::vector<std::uint8_t> bytes = header(kProjectMagic, version, 2);
    appendRecord(bytes, 5, std::string_view("C:\\a\0", 5));
    // "фото.jpg" written in Windows-1251.
    appendRecord(bytes, 9, std::string_view("\xF4\xEE\xF2\xEE.jpg\0", 9));
    const ProjectFile project = readProjectFile(bytes);
    ASSERT_EQ(project.result, ProjectFileResult::Ok);
    EXPECT_EQ(project.storedPaths, (std::vector<std::string>{"C:\\a", "фото.jpg"}));
  }
}

// A project opened into a recording movie, with the thumbnails it made and what it told.
struct OpenedProject {
  explicit OpenedProject(const std::filesystem::path& path)
      : opened(openProject(path, movie, thumbnails, prompt)) {}
  RecordingMovie movie;
  RecordingPrompt prompt;
  TemporaryFileList thumbnails;
  bool opened;
};

// Files that must be refused, and how.
struct BadProject {
  const char* name;
  std::vector<std::uint8_t> bytes;
  ProjectFileResult result;
};

std::vector<BadProject> badProjects() {
  std::vector<BadProject> cases;
  std::vector<std::uint8_t> oneRecord = header(kProjectMagic, 100, 1);
  appendRecord(oneRecord, 6, std::string_view("a.jpg\0", 6));
  cases.push_back({"truncated in a path",
                   {oneRecord.begin(), oneRecord.end() - 2},
                   ProjectFileResult::Unreadable});
  cases.push_back({"truncated in the count",
                   {oneRecord.begin(), oneRecord.begin() + 10},
                   ProjectFileResult::Unreadable});
  cases.push_back({"more photos counted than stored", header(kProjectMagic, 100, 3),
                   ProjectFileResult::Unreadable});
  std::vector<std::uint8_t> wrongMagic = oneRecord;
  wrongMagic[0] = 0x68;
  cases.push_back({"wrong magic", wrongMagic, ProjectFileResult::UnsupportedVersion});
  cases.push_back(
      {"version 101", header(kProjectMagic, 101, 0), ProjectFileResult::UnsupportedVersion});
  std::vector<std::uint8_t> longRecord = header(kProjectMagic, 100, 1);
  appendRecord(longRecord, 5000, std::string(5000, 'x'));
  cases.push_back({"record of length 5000", longRecord, ProjectFileResult::Unreadable});
  std::vector<std::uint8_t> zeroRecord = header(kProjectMagic, 100, 1);
  appendRecord(zeroRecord, 0, "");
  cases.push_back({"record of length 0", zeroRecord, ProjectFileResult::Unreadable});
  return cases;
}

TEST(ProjectFile, BadFilesAreRefusedWithTheirMessageAndHandNothingOver) {
  for (const BadProject& bad : badProjects()) {
    SCOPED_TRACE(bad.name);
    EXPECT_EQ(readProjectFile(bad.bytes).result, bad.result);

    test::TempDir folder;
    test::writeFile(folder / "bad.skl", bad.bytes);
    const OpenedProject project(folder / "bad.skl");
    EXPECT_FALSE(project.opened);
    EXPECT_TRUE(project.movie.variables.empty());
    EXPECT_TRUE(project.movie.labels.empty());
    const std::string text(bad.result == ProjectFileResult::UnsupportedVersion
                               ? kProjectVersionUnsupported
                               : kProjectReadFailed);
    ASSERT_EQ(project.prompt.messages.size(), 1u);
    EXPECT_TRUE(project.prompt.messages[0].starts_with(text + "\n\n" +
                                                       (folder / "bad.skl").string() + ": "))
        << project.prompt.messages[0];
  }
}

// Whatever is not a project file's bytes is refused before a byte of it is read, with the file
// and the reason: a missing file, a folder, a device, and a file larger than any project (a
// sparse 100 GB file takes no room on the disk).
TEST(ProjectFile, FilesThatAreNoProjectAreRefusedByWhatTheyAre) {
  test::TempDir folder;
  const std::filesystem::path huge = folder / "huge.skl";
  std::vector<std::uint8_t> project = header(kProjectMagic, 100, 0);
  test::writeFile(huge, project);
  std::filesystem::resize_file(huge, std::uintmax_t{100} << 30);
  std::filesystem::create_directory(folder / "folder.skl");
  const std::filesystem::path justTooLarge = folder / "just too large.skl";
  test::writeFile(justTooLarge, project);
  std::filesystem::resize_file(justTooLarge, kMaxProjectFileBytes + 1);
  // At the limit: a block of some later kind fills the file up to it.
  const std::filesystem::path largest = folder / "largest.skl";
  std::vector<std::uint8_t> padded = project;
  const auto padding = static_cast<std::uint32_t>(kMaxProjectFileBytes - project.size() - 8);
  for (const std::uint32_t value : {0x53444150u /* "PADS" */, padding})
    for (int shift = 0; shift < 32; shift += 8) padded.push_back(std::uint8_t(value >> shift));
  test::writeFile(largest, padded);
  std::filesystem::resize_file(largest, kMaxProjectFileBytes);

  const struct {
    std::filesystem::path path;
    ProjectFileResult result;
    const char* reason;
  } cases[] = {
      {huge, ProjectFileResult::TooLarge, "larger than 16 MB, far more than any project"},
      {justTooLarge, ProjectFileResult::TooLarge, "larger than 16 MB, far more than any project"},
      {folder / "none.skl", ProjectFileResult::NotAFile, "no such file or directory"},
      {folder / "folder.skl", ProjectFileResult::NotAFile, "is a directory"},
      {"/dev/zero", ProjectFileResult::NotAFile, "not a regular file"},
  };
  for (const auto& refused : cases) {
    SCOPED_TRACE(refused.path);
    EXPECT_EQ(readProjectFileAt(refused.path).result, refused.result);
    const OpenedProject opened(refused.path);
    EXPECT_FALSE(opened.opened);
    EXPECT_TRUE(opened.movie.labels.empty());
    EXPECT_EQ(opened.prompt.messages,
              std::vector<std::string>{std::string(kProjectReadFailed) + "\n\n" +
                                       refused.path.string() + ": " + refused.reason});
  }
  EXPECT_EQ(readProjectFileAt(largest).result, ProjectFileResult::Ok);
}

// The rotations ride in a block after the path records: a file without turned photos is byte
// for byte what the format always was, and with them the old bytes are followed by the block,
// so a reader of the old layout finds the same photos.
TEST(ProjectFile, RotationsFollowThePathRecords) {
  const std::vector<std::string> photos = {"/p/a.jpg", "/p/b.jpg", "/p/c.jpg"};
  const std::vector<std::uint8_t> plain = *projectFileBytes(photos);
  EXPECT_EQ(projectFileBytes(photos, std::vector<int>{0, 0, 0}), plain);

  const std::vector<int> turned = {0, 1, 7};
  const std::vector<std::uint8_t> bytes = *projectFileBytes(photos, turned);
  ASSERT_EQ(bytes.size(), plain.size() + 11);
  EXPECT_TRUE(std::equal(plain.begin(), plain.end(), bytes.begin()));
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + plain.size(), bytes.end()),
            (std::vector<std::uint8_t>{'R', 'O', 'T', 'N', 3, 0, 0, 0, 0, 1, 7}));
  const ProjectFile read = readProjectFile(bytes);
  ASSERT_EQ(read.result, ProjectFileResult::Ok);
  EXPECT_EQ(read.storedPaths, photos);
  EXPECT_EQ(read.rotations, turned);
  EXPECT_EQ(readProjectFile(plain).rotations, (std::vector<int>{0, 0, 0}));

  // Codes no photo can carry, and lists of different lengths, are not written.
  EXPECT_FALSE(projectFileBytes(photos, std::vector<int>{0, 8, 0}));
  EXPECT_FALSE(projectFileBytes(photos, std::vector<int>{0, -1, 0}));
  EXPECT_FALSE(projectFileBytes(photos, std::vector<int>{1, 1}));
}

TEST(ProjectFile, BlocksAreSkippedOrRefusedWhenBroken) {
  const std::vector<std::string> photos = {"/p/a.jpg", "/p/b.jpg"};
  const std::vector<std::uint8_t> plain = *projectFileBytes(photos);
  const auto withBlock = [&](std::vector<std::uint8_t> block) {
    std::vector<std::uint8_t> bytes = plain;
    bytes.insert(bytes.end(), block.begin(), block.end());
    return readProjectFile(bytes);
  };
  // A block of a later kind is skipped; the rotations after it still count.
  const ProjectFile later =
      withBlock({'N', 'E', 'X', 'T', 2, 0, 0, 0, 9, 9, 'R', 'O', 'T', 'N', 2, 0, 0, 0, 3, 2});
  ASSERT_EQ(later.result, ProjectFileResult::Ok);
  EXPECT_EQ(later.rotations, (std::vector<int>{3, 2}));

  for (const auto& broken : std::vector<std::vector<std::uint8_t>>{
           {'R', 'O', 'T', 'N', 2, 0, 0, 0, 1},     // ends inside the block
           {'R', 'O', 'T', 'N', 1, 0, 0, 0, 1},     // one code for two photos
           {'R', 'O', 'T', 'N', 2, 0, 0, 0, 1, 8},  // no such code
           {'R', 'O', 'T'},                         // ends inside the tag
       }) {
    const ProjectFile read = withBlock(broken);
    EXPECT_EQ(read.result, ProjectFileResult::Unreadable);
    EXPECT_TRUE(read.storedPaths.empty());
  }
}

TEST(ProjectFile, OpenedRotationsReachTheMovie) {
  test::TempDir folder;
  const auto photos = test::samplePhotos("mountains");
  const std::vector<std::string> paths = {photos[0].string(), photos[1].string()};
  RecordingPrompt prompt;
  ASSERT_TRUE(saveProject(folder / "p.skl", paths, prompt, std::vector<int>{3, 0}));
  OpenedProject project(folder / "p.skl");
  ASSERT_TRUE(project.opened);
  EXPECT_EQ(project.movie.getVariable("ImageRotation0"), "3");
  EXPECT_EQ(project.movie.getVariable("ImageRotation1"), "0");
}

TEST(ProjectFile, SavedThenOpenedHandsThePhotosOverInOrder) {
  test::TempDir folder;
  const auto photos = test::samplePhotos("mountains");
  const std::vector<std::string> paths = {photos[2].string(), photos[0].string()};
  RecordingPrompt prompt;
  ASSERT_TRUE(saveProject(folder / "p.skl", paths, prompt));
  EXPECT_EQ(test::fileNames(folder.path()), std::vector<std::string>{"p.skl"});

  RecordingMovie movie;
  {
    TemporaryFileList thumbnails;
    ASSERT_TRUE(openProject(folder / "p.skl", movie, thumbnails, prompt));
    EXPECT_TRUE(prompt.messages.empty());
    const ImageSize size = test::pictureSize(photos[2]);
    EXPECT_EQ(movie.variables[0], std::make_pair(std::string("ImagePathToAdd0"), paths[0]));
    EXPECT_EQ(movie.variables[1].first, "ImageThumbnail0");
    EXPECT_EQ(movie.variables[2],
              std::make_pair(std::string("ImageHeight0"), std::to_string(size.height)));
    EXPECT_EQ(movie.variables[3],
              std::make_pair(std::string("ImageWidth0"), std::to_string(size.width)));
    EXPECT_EQ(movie.variables[4],
              std::make_pair(std::string("FileName0"), photos[2].stem().string()));
    EXPECT_EQ(movie.getVariable("ImagePathToAdd1"), paths[1]);
    EXPECT_EQ(movie.variables.back(),
              std::make_pair(std::string("NumImagesToAdd"), std::string("2")));
    EXPECT_EQ(movie.labels, std::vector<std::string>{"/ AddImages"});
    // Photos wider than 400 pixels get a reduced copy that lives as long as the list.
    ASSERT_EQ(thumbnails.files().size(), 2u);
    EXPECT_EQ(movie.getVariable("ImageThumbnail0"), thumbnails.files()[0].string());
    EXPECT_TRUE(std::filesystem::exists(thumbnails.files()[0]));
  }
  EXPECT_FALSE(std::filesystem::exists(movie.getVariable("ImageThumbnail0")));
}

TEST(ProjectFile, EmptyProjectStillCallsAddImages) {
  test::TempDir folder;
  RecordingPrompt prompt;
  ASSERT_TRUE(saveProject(folder / "empty.skl", {}, prompt));
  EXPECT_EQ(std::filesystem::file_size(folder / "empty.skl"), 12u);
  OpenedProject project(folder / "empty.skl");
  ASSERT_TRUE(project.opened);
  EXPECT_EQ(project.movie.getVariable("NumImagesToAdd"), "0");
  EXPECT_EQ(project.movie.labels, std::vector<std::string>{"/ AddImages"});
}

TEST(ProjectFile, MovedProjectFindsItsPhotosBesideIt) {
  test::TempDir before, after;
  const auto photo = test::samplePhotos("trail")[0];
  std::filesystem::copy_file(photo, before / "one.jpg");
  RecordingPrompt prompt;
  const std::vector<std::string> stored = {(before / "one.jpg").string(),
                                           "C:\\Photos\\" + photo.filename().string()};
  ASSERT_TRUE(saveProject(before / "p.skl", stored, prompt));
  // The project and its photos move; the Windows path never existed here.
  std::filesystem::rename(before / "p.skl", after / "p.skl");
  std::filesystem::rename(before / "one.jpg", after / "one.jpg");
  std::filesystem::copy_file(photo, after / photo.filename());

  OpenedProject project(after / "p.skl");
  ASSERT_TRUE(project.opened);
  EXPECT_EQ(project.movie.getVariable("ImagePathToAdd0"), (after / "one.jpg").string());
  EXPECT_EQ(project.movie.getVariable("ImagePathToAdd1"), (after / photo.filename()).string());
  EXPECT_NE(project.movie.getVariable("ImageWidth1"), "0");
}

TEST(ProjectFile, FailedSaveShowsItsMessageAndLeavesNothing) {
  test::TempDir folder;
  RecordingPrompt prompt;
  EXPECT_FALSE(saveProject(folder / "missing" / "p.skl", {}, prompt));
  EXPECT_EQ(prompt.messages, std::vector<std::string>{withDetail(
                                 kProjectSaveFailed, folderMissingText(folder / "missing"))});

  // A path the project file could not hold: refused, and the previous file stays as it was.
  ASSERT_TRUE(saveProject(folder / "p.skl", std::vector<std::string>{"/x/a.jpg"}, prompt));
  const std::vector<std::uint8_t> previous = test::fileBytes(folder / "p.skl");
  const std::vector<std::string> tooLong = {"/" + std::string(300, 'x') + ".jpg"};
  EXPECT_FALSE(saveProject(folder / "p.skl", tooLong, prompt));
  ASSERT_EQ(prompt.messages.size(), 2u);
  EXPECT_NE(prompt.messages[1].find(tooLong[0]), std::string::npos);
  EXPECT_EQ(test::fileBytes(folder / "p.skl"), previous);
  EXPECT_EQ(test::fileNames(folder.path()), std::vector<std::string>{"p.skl"});
}

}  // namespace
}  // namespace skylacer::output
