// SPDX-License-Identifier: GPL-3.0-or-later
#include "movwriter/toolbox/movie.h"

#include <algorithm>

#include "movwriter/toolbox/movie_error.h"

namespace skylacer::toolbox {

std::uint64_t Media::duration() const {
  std::uint64_t total = 0;
  for (const Sample& sample : samples_) total += sample.duration;
  return total;
}

void Media::appendSample(std::uint64_t offset, std::uint32_t size, std::uint32_t duration,
                         const SampleDescription& description) {
  if (descriptions_.empty() || descriptions_.back() != description)
    descriptions_.push_back(description);
  samples_.push_back(Sample{offset, size, duration, std::uint32_t(descriptions_.size())});
}

void Media::appendStoredSample(const Sample& sample) {
  if (sample.descriptionIndex == 0 || sample.descriptionIndex > descriptions_.size())
    throw MovieToolboxError(badDataErr, "a sample names a missing sample description");
  samples_.push_back(sample);
}

Media& Track::newMedia(FourCC type, std::uint32_t timeScale) {
  if (timeScale == 0) throw MovieToolboxError(paramErr, "a media needs a time scale");
  media_.emplace(type, timeScale);
  return *media_;
}

std::uint64_t Track::editedMediaDuration() const {
  std::uint64_t total = 0;
  for (const Edit& edit : edits_) total += edit.mediaDuration;
  return total;
}

std::uint32_t Track::addReferenceId(FourCC type, std::uint32_t trackId) {
  for (TrackReference& reference : references_) {
    if (reference.type == type) {
      reference.trackIds.push_back(trackId);
      return std::uint32_t(reference.trackIds.size());
    }
  }
  references_.push_back(TrackReference{type, {trackId}});
  return 1;
}

Track& Movie::newTrack(double width, double height) {
  return addStoredTrack(nextTrackId(), width, height);
}

Track& Movie::addStoredTrack(std::uint32_t id, double width, double height) {
  if (id == 0) throw MovieToolboxError(badDataErr, "a track id is 0");
  for (const Track& track : tracks_)
    if (track.id() == id) throw MovieToolboxError(badDataErr, "two tracks share an id");
  return tracks_.emplace_back(id, width, height);
}

std::uint32_t Movie::nextTrackId() const {
  std::uint32_t largest = 0;
  for (const Track& track : tracks_) largest = std::max(largest, track.id());
  return largest + 1;
}

const Track* Movie::indexedTrackOfType(FourCC mediaType, int index) const {
  for (const Track& track : tracks_) {
    const Media* media = track.media();
    if (media != nullptr && media->type() == mediaType && --index == 0) return &track;
  }
  return nullptr;
}

std::uint64_t Movie::trackDuration(const Track& track) const {
  const Media* media = track.media();
  if (media == nullptr) return 0;
  return track.editedMediaDuration() * timeScale_ / media->timeScale();
}

std::uint64_t Movie::duration() const {
  std::uint64_t longest = 0;
  for (const Track& track : tracks_) longest = std::max(longest, trackDuration(track));
  return longest;
}

void Movie::setUserData(FourCC type, std::vector<std::uint8_t> data) {
  for (UserDataItem& item : userData_) {
    if (item.type == type) {
      item.data = std::move(data);
      return;
    }
  }
  userData_.push_back(UserDataItem{type, std::move(data)});
}

}  // namespace skylacer::toolbox
