// SPDX-License-Identifier: GPL-3.0-or-later
#include "movwriter/toolbox/movie_resource.h"

#include <chrono>
#include <limits>
#include <optional>

#include "movwriter/toolbox/movie_error.h"

namespace skylacer::toolbox {

namespace {

constexpr std::uint16_t kDitherCopyMode = 0x0040;
constexpr std::uint16_t kOpColor = 0x8000;
constexpr std::uint32_t kTrackInMovieFlags = 0x000E;  // in movie, in preview, in poster
constexpr std::uint32_t kTrackEnabledFlag = 0x0001;
constexpr std::uint32_t kSameFileFlag = 0x000001;
constexpr std::size_t kDescriptionHeaderBytes = 16;

std::uint32_t checked32(std::uint64_t value, const char* what) {
  if (value > std::numeric_limits<std::uint32_t>::max())
    throw MovieToolboxError(ioErr, std::string(what) + " does not fit 32 bits");
  return std::uint32_t(value);
}

void writeMatrix(ByteWriter& out) {
  const std::uint32_t identity[9] = {0x00010000, 0, 0, 0, 0x00010000, 0, 0, 0, 0x40000000};
  for (std::uint32_t value : identity) out.u32(value);
}

void writeMovieHeader(ByteWriter& out, const Movie& movie, std::uint32_t creationTime) {
  const auto start = out.beginFullAtom(fourCC("mvhd"), 0, 0);
  out.u32(creationTime);
  out.u32(creationTime);
  out.u32(movie.timeScale());
  out.u32(checked32(movie.duration(), "the movie duration"));
  out.u32(0x00010000);  // preferred rate 1.0
  out.u16(0x0100);      // preferred volume 1.0
  out.zeros(10);
  writeMatrix(out);
  out.zeros(6 * 4);  // preview, poster, selection and current times
  out.u32(movie.nextTrackId());
  out.endAtom(start);
}

void writeTrackHeader(ByteWriter& out, const Movie& movie, const Track& track,
                      std::uint32_t creationTime) {
  const std::uint32_t flags = kTrackInMovieFlags | (track.enabled() ? kTrackEnabledFlag : 0);
  const auto start = out.beginFullAtom(fourCC("tkhd"), 0, flags);
  out.u32(creationTime);
  out.u32(creationTime);
  out.u32(track.id());
  out.u32(0);
  out.u32(checked32(movie.trackDuration(track), "a track duration"));
  out.zeros(8);
  out.u16(0);  // layer
  out.u16(0);  // alternate group
  out.u16(0);  // volume
  out.u16(0);
  writeMatrix(out);
  out.fixed16_16(track.width());
  out.fixed16_16(track.height());
  out.endAtom(start);
}

void writeTrackReferences(ByteWriter& out, const Track& track) {
  if (track.references().empty()) return;
  const auto tref = out.beginAtom(fourCC("tref"));
  for (const TrackReference& reference : track.references()) {
    const auto start = out.beginAtom(reference.type);
    for (std::uint32_t id : reference.trackIds) out.u32(id);
    out.endAtom(start);
  }
  out.endAtom(tref);
}

void writeEdits(ByteWriter& out, const Movie& movie, const Track& track, const Media& media) {
  const auto edts = out.beginAtom(fourCC("edts"));
  const auto elst = out.beginFullAtom(fourCC("elst"), 0, 0);
  out.u32(std::uint32_t(track.edits().size()));
  for (const Edit& edit : track.edits()) {
    out.u32(checked32(edit.mediaDuration * movie.timeScale() / media.timeScale(), "an edit"));
    out.i32(std::int32_t(edit.mediaTime));
    out.u32(0x00010000);  // rate 1.0
  }
  out.endAtom(elst);
  out.endAtom(edts);
}

void writeHandler(ByteWriter& out, FourCC componentType, FourCC subtype) {
  const auto start = out.beginFullAtom(fourCC("hdlr"), 0, 0);
  out.u32(componentType);
  out.u32(subtype);
  out.u32(0);  // manufacturer
  out.u32(0);  // flags
  out.u32(0);  // flags mask
  out.u8(0);   // empty name (length-prefixed)
  out.endAtom(start);
}

void writeMediaInformationHeader(ByteWriter& out, const Media& media) {
  if (media.type() == fourCC("vide")) {
    const auto vmhd = out.beginFullAtom(fourCC("vmhd"), 0, 1);
    out.u16(kDitherCopyMode);
    for (int i = 0; i < 3; ++i) out.u16(kOpColor);
    out.endAtom(vmhd);
    return;
  }
  const auto gmhd = out.beginAtom(fourCC("gmhd"));
  const auto gmin = out.beginFullAtom(fourCC("gmin"), 0, 0);
  out.u16(kDitherCopyMode);
  for (int i = 0; i < 3; ++i) out.u16(kOpColor);
  out.u16(0);  // balance
  out.u16(0);
  out.endAtom(gmin);
  out.endAtom(gmhd);
}

void writeDataInformation(ByteWriter& out) {
  const auto dinf = out.beginAtom(fourCC("dinf"));
  const auto dref = out.beginFullAtom(fourCC("dref"), 0, 0);
  out.u32(1);
  out.endAtom(out.beginFullAtom(fourCC("alis"), 0, kSameFileFlag));
  out.endAtom(dref);
  out.endAtom(dinf);
}

struct Chunk {
  std::uint64_t offset = 0;
  std::uint32_t sampleCount = 0;
  std::uint32_t descriptionIndex = 0;
};

std::vector<Chunk> chunksOf(const Media& media) {
  std::vector<Chunk> chunks;
  std::uint64_t end = 0;
  for (const Sample& sample : media.samples()) {
    if (chunks.empty() || sample.offset != end ||
        sample.descriptionIndex != chunks.back().descriptionIndex)
      chunks.push_back(Chunk{sample.offset, 0, sample.descriptionIndex});
    ++chunks.back().sampleCount;
    end = sample.offset + sample.size;
  }
  return chunks;
}

void writeSampleTable(ByteWriter& out, const Media& media) {
  const auto stbl = out.beginAtom(fourCC("stbl"));

  const auto stsd = out.beginFullAtom(fourCC("stsd"), 0, 0);
  out.u32(std::uint32_t(media.descriptions().size()));
  for (const SampleDescription& description : media.descriptions()) {
    out.u32(checked32(kDescriptionHeaderBytes + description.body.size(), "a sample description"));
    out.u32(description.format);
    out.zeros(6);
    out.u16(description.dataReferenceIndex);
    out.append(description.body);
  }
  out.endAtom(stsd);

  const auto& samples = media.samples();
  std::vector<std::pair<std::uint32_t, std::uint32_t>> durationRuns;  // count, duration
  for (const Sample& sample : samples) {
    if (durationRuns.empty() || durationRuns.back().second != sample.duration)
      durationRuns.emplace_back(0, sample.duration);
    ++durationRuns.back().first;
  }
  const auto stts = out.beginFullAtom(fourCC("stts"), 0, 0);
  out.u32(std::uint32_t(durationRuns.size()));
  for (const auto& [count, duration] : durationRuns) {
    out.u32(count);
    out.u32(duration);
  }
  out.endAtom(stts);

  const std::vector<Chunk> chunks = chunksOf(media);
  ByteWriter chunkRuns;
  std::uint32_t runCount = 0;
  for (std::size_t i = 0; i < chunks.size(); ++i) {
    if (i > 0 && chunks[i].sampleCount == chunks[i - 1].sampleCount &&
        chunks[i].descriptionIndex == chunks[i - 1].descriptionIndex)
      continue;
    chunkRuns.u32(std::uint32_t(i + 1));
    chunkRuns.u32(chunks[i].sampleCount);
    chunkRuns.u32(chunks[i].descriptionIndex);
    ++runCount;
  }
  const auto stsc = out.beginFullAtom(fourCC("stsc"), 0, 0);
  out.u32(runCount);
  out.append(chunkRuns.bytes());
  out.endAtom(stsc);

  bool constantSize = !samples.empty();
  for (const Sample& sample : samples)
    constantSize = constantSize && sample.size == samples[0].size;
  const auto stsz = out.beginFullAtom(fourCC("stsz"), 0, 0);
  out.u32(constantSize ? samples[0].size : 0);
  out.u32(std::uint32_t(samples.size()));
  if (!constantSize)
    for (const Sample& sample : samples) out.u32(sample.size);
  out.endAtom(stsz);

  const auto stco = out.beginFullAtom(fourCC("stco"), 0, 0);
  out.u32(std::uint32_t(chunks.size()));
  for (const Chunk& chunk : chunks) out.u32(checked32(chunk.offset, "a chunk offset"));
  out.endAtom(stco);

  out.endAtom(stbl);
}

void writeTrack(ByteWriter& out, const Movie& movie, const Track& track,
                std::uint32_t creationTime) {
  const Media* media = track.media();
  if (media == nullptr) throw MovieToolboxError(paramErr, "a track has no media");
  const auto trak = out.beginAtom(fourCC("trak"));
  writeTrackHeader(out, movie, track, creationTime);
  writeTrackReferences(out, track);
  writeEdits(out, movie, track, *media);

  const auto mdia = out.beginAtom(fourCC("mdia"));
  const auto mdhd = out.beginFullAtom(fourCC("mdhd"), 0, 0);
  out.u32(creationTime);
  out.u32(creationTime);
  out.u32(media->timeScale());
  out.u32(checked32(media->duration(), "a media duration"));
  out.u16(0);  // language
  out.u16(0);  // quality
  out.endAtom(mdhd);
  writeHandler(out, fourCC("mhlr"), media->type());
  const auto minf = out.beginAtom(fourCC("minf"));
  writeMediaInformationHeader(out, *media);
  writeHandler(out, fourCC("dhlr"), fourCC("alis"));
  writeDataInformation(out);
  writeSampleTable(out, *media);
  out.endAtom(minf);
  out.endAtom(mdia);
  out.endAtom(trak);
}

// ---- reading ----

struct AtomView {
  FourCC type = 0;
  std::span<const std::uint8_t> body;  // after the 8-byte header
};

// The atoms that follow one another in `bytes`, which they must fill exactly.
std::vector<AtomView> atomsIn(std::span<const std::uint8_t> bytes) {
  std::vector<AtomView> atoms;
  ByteReader in(bytes);
  while (in.remaining() > 0) {
    const std::uint32_t size = in.u32();
    const FourCC type = in.u32();
    if (size < 8 || size - 8 > in.remaining())
      throw MovieToolboxError(badDataErr, "an atom's size does not fit its parent");
    atoms.push_back(AtomView{type, in.take(size - 8)});
  }
  return atoms;
}

std::optional<AtomView> findAtom(const std::vector<AtomView>& atoms, FourCC type) {
  for (const AtomView& atom : atoms)
    if (atom.type == type) return atom;
  return std::nullopt;
}

AtomView requireAtom(const std::vector<AtomView>& atoms, FourCC type) {
  auto atom = findAtom(atoms, type);
  if (!atom) throw MovieToolboxError(invalidMovie, "a required atom is missing");
  return *atom;
}

// A full atom's reader positioned after version and flags; only version 0 is understood.
ByteReader fullAtomBody(const AtomView& atom, std::uint32_t* flags = nullptr) {
  ByteReader in(atom.body);
  const std::uint32_t versionAndFlags = in.u32();
  if ((versionAndFlags >> 24) != 0)
    throw MovieToolboxError(invalidMovie, "an atom version is not understood");
  if (flags != nullptr) *flags = versionAndFlags & 0xFFFFFF;
  return in;
}

// An entry count whose entries of `entryBytes` each must fit in what is left of `in`.
std::uint32_t entryCount(ByteReader& in, std::size_t entryBytes) {
  const std::uint32_t count = in.u32();
  if (count > in.remaining() / entryBytes)
    throw MovieToolboxError(badDataErr, "a table is longer than its atom");
  return count;
}

void readSampleTable(const AtomView& stbl, Media& media, std::uint64_t fileSize) {
  const auto tables = atomsIn(stbl.body);

  ByteReader stsd = fullAtomBody(requireAtom(tables, fourCC("stsd")));
  const std::uint32_t descriptionCount = entryCount(stsd, kDescriptionHeaderBytes);
  for (std::uint32_t i = 0; i < descriptionCount; ++i) {
    const std::uint32_t size = stsd.u32();
    if (size < kDescriptionHeaderBytes) throw MovieToolboxError(badDataErr, "a short description");
    SampleDescription description;
    description.format = stsd.u32();
    stsd.skip(6);
    description.dataReferenceIndex = stsd.u16();
    const auto body = stsd.take(size - kDescriptionHeaderBytes);
    description.body.assign(body.begin(), body.end());
    media.addDescription(std::move(description));
  }

  ByteReader stsz = fullAtomBody(requireAtom(tables, fourCC("stsz")));
  const std::uint32_t constantSize = stsz.u32();
  const std::uint32_t sampleCount = constantSize == 0 ? entryCount(stsz, 4) : stsz.u32();
  if (constantSize != 0 && std::uint64_t(constantSize) * sampleCount > fileSize)
    throw MovieToolboxError(badDataErr, "the samples are larger than the file");

  ByteReader stts = fullAtomBody(requireAtom(tables, fourCC("stts")));
  const std::uint32_t durationRuns = entryCount(stts, 8);
  ByteReader stsc = fullAtomBody(requireAtom(tables, fourCC("stsc")));
  const std::uint32_t chunkRuns = entryCount(stsc, 12);
  std::vector<std::uint32_t> runFirstChunk(chunkRuns), runSamples(chunkRuns),
      runDescription(chunkRuns);
  for (std::uint32_t i = 0; i < chunkRuns; ++i) {
    runFirstChunk[i] = stsc.u32();
    runSamples[i] = stsc.u32();
    runDescription[i] = stsc.u32();
    if (runFirstChunk[i] == 0 || (i > 0 && runFirstChunk[i] <= runFirstChunk[i - 1]))
      throw MovieToolboxError(badDataErr, "the chunk runs are out of order");
  }
  ByteReader stco = fullAtomBody(requireAtom(tables, fourCC("stco")));
  const std::uint32_t chunkCount = entryCount(stco, 4);

  std::uint32_t sample = 0;
  std::uint32_t durationsLeft = 0;
  std::uint32_t duration = 0;
  std::uint32_t durationRunsLeft = durationRuns;
  std::size_t run = 0;
  for (std::uint32_t chunk = 1; chunk <= chunkCount; ++chunk) {
    while (run + 1 < chunkRuns && runFirstChunk[run + 1] <= chunk) ++run;
    if (chunkRuns == 0 || runFirstChunk[0] > chunk)
      throw MovieToolboxError(badDataErr, "a chunk has no entry in the chunk runs");
    std::uint64_t offset = stco.u32();
    for (std::uint32_t k = 0; k < runSamples[run]; ++k, ++sample) {
      if (sample >= sampleCount)
        throw MovieToolboxError(badDataErr, "the chunks hold too many samples");
      while (durationsLeft == 0) {
        if (durationRunsLeft-- == 0)
          throw MovieToolboxError(badDataErr, "a sample has no duration");
        durationsLeft = stts.u32();
        duration = stts.u32();
      }
      --durationsLeft;
      const std::uint32_t size = constantSize != 0 ? constantSize : stsz.u32();
      if (offset > fileSize || size > fileSize - offset)
        throw MovieToolboxError(badDataErr, "a sample lies beyond the end of the file");
      media.appendStoredSample(Sample{offset, size, duration, runDescription[run]});
      offset += size;
    }
  }
  if (sample != sampleCount || durationsLeft != 0 || durationRunsLeft != 0)
    throw MovieToolboxError(badDataErr, "the sample tables disagree on the number of samples");
}

void readTrack(const AtomView& trak, Movie& movie, std::uint64_t fileSize) {
  const auto parts = atomsIn(trak.body);
  std::uint32_t flags = 0;
  ByteReader tkhd = fullAtomBody(requireAtom(parts, fourCC("tkhd")), &flags);
  tkhd.skip(8);
  const std::uint32_t id = tkhd.u32();
  tkhd.skip(4 + 4 + 8 + 8 + 36);
  const double width = tkhd.fixed16_16();
  const double height = tkhd.fixed16_16();
  Track& track = movie.addStoredTrack(id, width, height);
  track.setEnabled((flags & kTrackEnabledFlag) != 0);

  if (auto tref = findAtom(parts, fourCC("tref"))) {
    for (const AtomView& reference : atomsIn(tref->body)) {
      ByteReader ids(reference.body);
      while (ids.remaining() > 0) track.addReferenceId(reference.type, ids.u32());
    }
  }

  const auto mdia = atomsIn(requireAtom(parts, fourCC("mdia")).body);
  ByteReader mdhd = fullAtomBody(requireAtom(mdia, fourCC("mdhd")));
  mdhd.skip(8);
  const std::uint32_t mediaTimeScale = mdhd.u32();
  ByteReader hdlr = fullAtomBody(requireAtom(mdia, fourCC("hdlr")));
  hdlr.skip(4);
  const FourCC mediaType = hdlr.u32();
  if (mediaTimeScale == 0) throw MovieToolboxError(badDataErr, "a media time scale is 0");
  Media& media = track.newMedia(mediaType, mediaTimeScale);
  const auto minf = atomsIn(requireAtom(mdia, fourCC("minf")).body);
  readSampleTable(requireAtom(minf, fourCC("stbl")), media, fileSize);

  if (auto edts = findAtom(parts, fourCC("edts"))) {
    ByteReader elst = fullAtomBody(requireAtom(atomsIn(edts->body), fourCC("elst")));
    const std::uint32_t count = entryCount(elst, 12);
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::uint64_t trackDuration = elst.u32();
      const std::int32_t mediaTime = elst.i32();
      if (elst.u32() != 0x00010000)
        throw MovieToolboxError(invalidMovie, "an edit rate is not 1.0");
      track.insertMedia(mediaTime, trackDuration * mediaTimeScale / movie.timeScale());
    }
  }
}

}  // namespace

std::vector<std::uint8_t> writeMovieResource(const Movie& movie, std::uint32_t creationTime) {
  ByteWriter out;
  const auto moov = out.beginAtom(fourCC("moov"));
  writeMovieHeader(out, movie, creationTime);
  for (const Track& track : movie.tracks()) writeTrack(out, movie, track, creationTime);
  if (!movie.userData().empty()) {
    const auto udta = out.beginAtom(fourCC("udta"));
    for (const UserDataItem& item : movie.userData()) {
      const auto start = out.beginAtom(item.type);
      out.append(item.data);
      out.endAtom(start);
    }
    out.endAtom(udta);
  }
  out.endAtom(moov);
  return out.take();
}

Movie readMovieResource(std::span<const std::uint8_t> moovBytes, std::uint64_t fileSize) {
  const auto top = atomsIn(moovBytes);
  if (top.size() != 1 || top[0].type != fourCC("moov"))
    throw MovieToolboxError(invalidMovie, "not a movie resource");
  const auto parts = atomsIn(top[0].body);

  Movie movie;
  ByteReader mvhd = fullAtomBody(requireAtom(parts, fourCC("mvhd")));
  mvhd.skip(8);
  const std::uint32_t timeScale = mvhd.u32();
  if (timeScale == 0) throw MovieToolboxError(badDataErr, "the movie time scale is 0");
  movie.setTimeScale(timeScale);

  for (const AtomView& atom : parts) {
    if (atom.type == fourCC("trak")) readTrack(atom, movie, fileSize);
    if (atom.type == fourCC("udta")) {
      for (const AtomView& item : atomsIn(atom.body))
        movie.addUserData(UserDataItem{item.type, {item.body.begin(), item.body.end()}});
    }
  }
  return movie;
}

std::uint32_t movieTimeNow() {
  constexpr std::int64_t kSecondsFrom1904To1970 = 2082844800;
  const auto unixSeconds = std::chrono::duration_cast<std::chrono::seconds>(
                               std::chrono::system_clock::now().time_since_epoch())
                               .count();
  return std::uint32_t(unixSeconds + kSecondsFrom1904To1970);
}

}  // namespace skylacer::toolbox
