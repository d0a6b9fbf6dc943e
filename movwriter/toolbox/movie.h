// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The in-memory model of a movie: tracks in creation order, each with one media whose samples
// live in the movie's data file (see MovieFile), the edits placing the media in the track, the
// track references and the movie's user data. Times are integers in the time scale of their
// owner: the movie's for the movie, a media's for its samples and edits.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "movwriter/toolbox/big_endian.h"

namespace skylacer::toolbox {

// One entry of a media's sample descriptions: the 16-byte header (size, data format, 6 reserved
// bytes, data reference index) and the format-specific bytes after it.
struct SampleDescription {
  FourCC format = 0;
  std::uint16_t dataReferenceIndex = 1;
  std::vector<std::uint8_t> body;
  friend bool operator==(const SampleDescription&, const SampleDescription&) = default;
};

// Where one sample's bytes lie in the movie's data file and how long it lasts.
struct Sample {
  std::uint64_t offset = 0;            // absolute byte offset in the data file
  std::uint32_t size = 0;              // bytes
  std::uint32_t duration = 0;          // media time units
  std::uint32_t descriptionIndex = 1;  // 1-based index into the media's descriptions
};

class Media {
 public:
  Media(FourCC type, std::uint32_t timeScale) : type_(type), timeScale_(timeScale) {}

  FourCC type() const { return type_; }
  std::uint32_t timeScale() const { return timeScale_; }
  // Sum of the sample durations, media time units.
  std::uint64_t duration() const;

  const std::vector<Sample>& samples() const { return samples_; }
  const std::vector<SampleDescription>& descriptions() const { return descriptions_; }
  const SampleDescription& description(const Sample& sample) const {
    return descriptions_.at(sample.descriptionIndex - 1);
  }

  // Records a sample whose bytes are already in the data file at `offset`. The description is
  // shared with the previous sample when equal, added as a new entry otherwise.
  void appendSample(std::uint64_t offset, std::uint32_t size, std::uint32_t duration,
                    const SampleDescription& description);
  // Records a sample of a movie being read, with its description index checked.
  void appendStoredSample(const Sample& sample);
  // Moves a sample's bytes to another offset of the data file (when a movie is flattened).
  void relocateSample(std::size_t index, std::uint64_t offset) {
    samples_.at(index).offset = offset;
  }
  void addDescription(SampleDescription description) {
    descriptions_.push_back(std::move(description));
  }

 private:
  FourCC type_;
  std::uint32_t timeScale_;
  std::vector<SampleDescription> descriptions_;
  std::vector<Sample> samples_;
};

// A span of the media shown by a track, at rate 1.0, in media time units.
struct Edit {
  std::int64_t mediaTime = 0;
  std::uint64_t mediaDuration = 0;
};

// References of one type from a track to others: 1-based track ids in reference-index order.
struct TrackReference {
  FourCC type = 0;
  std::vector<std::uint32_t> trackIds;
};

class Track {
 public:
  Track(std::uint32_t id, double width, double height) : id_(id), width_(width), height_(height) {}

  std::uint32_t id() const { return id_; }
  // Size in pixels (stored as 16.16 fixed point).
  double width() const { return width_; }
  double height() const { return height_; }

  bool enabled() const { return enabled_; }
  void setEnabled(bool enabled) { enabled_ = enabled; }

  // Gives the track its media; a track has exactly one.
  Media& newMedia(FourCC type, std::uint32_t timeScale);
  Media* media() { return media_ ? &*media_ : nullptr; }
  const Media* media() const { return media_ ? &*media_ : nullptr; }

  // Appends an edit showing `mediaDuration` units of the media from `mediaTime` at rate 1.0.
  void insertMedia(std::int64_t mediaTime, std::uint64_t mediaDuration) {
    edits_.push_back(Edit{mediaTime, mediaDuration});
  }
  const std::vector<Edit>& edits() const { return edits_; }
  // The edits' total length in the media's time units.
  std::uint64_t editedMediaDuration() const;

  // Adds a reference of `type` to `target`; returns its 1-based index among this track's
  // references of that type.
  std::uint32_t addReference(const Track& target, FourCC type) {
    return addReferenceId(type, target.id());
  }
  std::uint32_t addReferenceId(FourCC type, std::uint32_t trackId);
  const std::vector<TrackReference>& references() const { return references_; }

 private:
  std::uint32_t id_;
  double width_;
  double height_;
  bool enabled_ = true;
  std::optional<Media> media_;
  std::vector<Edit> edits_;
  std::vector<TrackReference> references_;
};

// A user data item of the movie: a type and its bytes.
struct UserDataItem {
  FourCC type = 0;
  std::vector<std::uint8_t> data;
};

class Movie {
 public:
  static constexpr std::uint32_t kDefaultTimeScale = 600;

  std::uint32_t timeScale() const { return timeScale_; }
  void setTimeScale(std::uint32_t timeScale) { timeScale_ = timeScale; }

  // A new track with the next free id (1, 2, ...), `width` x `height` pixels.
  Track& newTrack(double width, double height);
  // A track read from a file, with its stored id.
  Track& addStoredTrack(std::uint32_t id, double width, double height);
  // Tracks in creation order; references to them stay valid while tracks are added.
  const std::deque<Track>& tracks() const { return tracks_; }
  std::deque<Track>& tracks() { return tracks_; }
  // The index-th (1-based) track whose media has type `mediaType`, or nullptr.
  const Track* indexedTrackOfType(FourCC mediaType, int index) const;
  std::uint32_t nextTrackId() const;

  // Length of the longest track, movie time units.
  std::uint64_t duration() const;
  // A track's length in movie time units.
  std::uint64_t trackDuration(const Track& track) const;

  // Sets (replaces) the first user data item of `type`.
  void setUserData(FourCC type, std::vector<std::uint8_t> data);
  void addUserData(UserDataItem item) { userData_.push_back(std::move(item)); }
  const std::vector<UserDataItem>& userData() const { return userData_; }

 private:
  std::uint32_t timeScale_ = kDefaultTimeScale;
  std::deque<Track> tracks_;
  std::vector<UserDataItem> userData_;
};

}  // namespace skylacer::toolbox
