// SPDX-License-Identifier: GPL-3.0-or-later
#include "movwriter/qtvr_movie.h"

#include <optional>

#include "movwriter/intermediate_movie.h"
#include "movwriter/removed_on_exit.h"
#include "movwriter/tile_compression.h"
#include "movwriter/toolbox/graphics_importer.h"
#include "movwriter/toolbox/movie_error.h"
#include "movwriter/toolbox/movie_file.h"
#include "movwriter/vr_atoms.h"

namespace skylacer::movwriter {

using toolbox::fourCC;
using toolbox::MovieFile;
using toolbox::MovieToolboxError;

namespace {

constexpr std::uint32_t kTileMovieTimeScale = 600;
constexpr std::uint32_t kTileDuration = 300;  // tile movie time units
constexpr std::uint32_t kVrTimeScale = 3600;
constexpr std::uint32_t kNodeDuration = 7200;  // VR movie time units
// Largest tile side: track sizes are 16.16 fixed point.
constexpr int kMaxTileSide = 32767;

// The picture's tile geometry, or nothing when it is wider than tall. Throws paramErr when it
// is too short for 24 tiles or a tile would be too large.
std::optional<PanoramaGeometry> tileGeometry(toolbox::Rect bounds) {
  const int width = bounds.right - bounds.left;
  const int height = bounds.bottom - bounds.top;
  if (height < width) return std::nullopt;
  const int tileHeight = height / kTileCount;
  if (width < 1 || tileHeight < 1)
    throw MovieToolboxError(toolbox::paramErr, "the picture is less than 24 rows tall");
  if (width > kMaxTileSide || tileHeight > kMaxTileSide)
    throw MovieToolboxError(toolbox::paramErr, "the picture's tiles would be too large");
  return PanoramaGeometry{std::uint32_t(width), std::uint32_t(tileHeight)};
}

// Tile k shows picture rows k * t to (k + 1) * t - 1; rows past 24 * t are dropped. Progress
// is reported on the caller's thread before each tile is drawn; a request to stop ends the
// writing there, once the tiles the workers hold are compressed.
void writeTileMovie(const QvrRequest& request, toolbox::GraphicsImporter& importer,
                    const toolbox::CodecLibrary& codecs, PanoramaGeometry geometry) {
  const BeforeTile reportProgress = [&request](int tile) {
    if (request.progress != nullptr && request.progress(tile * 100 / kTileCount, request.user) != 0)
      throw MovieToolboxError(toolbox::userCanceledErr, "stopped by the caller");
  };
  MovieFile tileMovie = MovieFile::create(request.tile, toolbox::FileCreation::ReplaceExisting);
  const TileFrames tiles =
      compressTiles(importer, codecs, geometry, request.workers, reportProgress);
  toolbox::Track& track =
      tileMovie.movie().newTrack(int(geometry.tileWidth), int(geometry.tileHeight));
  toolbox::Media& media = track.newMedia(fourCC("vide"), kTileMovieTimeScale);
  for (const CompressedTile& frame : tiles.frames)
    tileMovie.addMediaSample(media, frame, kTileDuration, tiles.description);
  track.insertMedia(0, media.duration());
  tileMovie.storeMovie();
}

// Copies the tile movie's first video track into `vr` as the (disabled) image track, each
// sample re-timed to an equal share of the node's duration.
toolbox::Track& copyImageTrack(MovieFile& vr, const std::filesystem::path& tilePath) {
  const MovieFile tiles = MovieFile::open(tilePath);
  const toolbox::Track* source = tiles.movie().indexedTrackOfType(fourCC("vide"), 1);
  if (source == nullptr || source->media()->samples().empty())
    throw MovieToolboxError(toolbox::invalidTrack, "the tile movie has no video track");
  const toolbox::Media& sourceMedia = *source->media();

  toolbox::Track& track = vr.movie().newTrack(source->width(), source->height());
  toolbox::Media& media = track.newMedia(sourceMedia.type(), kVrTimeScale);
  const auto sampleDuration = std::uint32_t(kNodeDuration / sourceMedia.samples().size());
  for (std::size_t i = 0; i < sourceMedia.samples().size(); ++i)
    vr.addMediaSample(media, tiles.readSample(sourceMedia, i), sampleDuration,
                      sourceMedia.description(sourceMedia.samples()[i]));
  track.insertMedia(0, media.duration());
  track.setEnabled(false);
  return track;
}

void writeVrMovie(MovieFile& vr, const QvrRequest& request) {
  toolbox::Movie& movie = vr.movie();
  toolbox::Track& qtvrTrack = movie.newTrack(request.viewWidth, request.viewHeight);
  toolbox::Media& qtvrMedia = qtvrTrack.newMedia(fourCC("qtvr"), kVrTimeScale);
  movie.setTimeScale(kVrTimeScale);
  const toolbox::SampleDescription world{fourCC("qtvr"), 0, vrWorld().bytes()};
  vr.addMediaSample(qtvrMedia, nodeInformation().bytes(), kNodeDuration, world);
  qtvrTrack.insertMedia(0, kNodeDuration);

  toolbox::Track& panoramaTrack = movie.newTrack(request.viewWidth, request.viewHeight);
  toolbox::Media& panoramaMedia = panoramaTrack.newMedia(fourCC("pano"), kVrTimeScale);
  toolbox::Track& imageTrack = copyImageTrack(vr, request.tile);
  qtvrTrack.addReference(panoramaTrack, fourCC("pano"));
  const std::uint32_t imageIndex = panoramaTrack.addReference(imageTrack, fourCC("imgt"));

  const PanoramaGeometry geometry{std::uint32_t(imageTrack.width()),
                                  std::uint32_t(imageTrack.height())};
  const toolbox::SampleDescription placeholder{0, 1, {}};
  vr.addMediaSample(panoramaMedia,
                    panoramaSample(geometry, request.hfovDegrees, imageIndex).bytes(),
                    kNodeDuration, placeholder);
  panoramaTrack.insertMedia(0, kNodeDuration);

  movie.setUserData(fourCC("ctyp"), {'q', 't', 'v', 'r'});
  vr.storeMovie();
}

}  // namespace

void buildQtvrMovie(const QvrRequest& request, const toolbox::CodecLibrary& codecs) {
  {
    toolbox::GraphicsImporter importer = toolbox::GraphicsImporter::forFile(request.image);
    const std::optional<PanoramaGeometry> geometry = tileGeometry(importer.naturalBounds());
    if (!geometry) return;
    writeTileMovie(request, importer, codecs, *geometry);
  }

  MovieFile vr = createIntermediateMovie(request.movie);
  const RemovedOnExit removeIntermediate(vr.path());
  writeVrMovie(vr, request);
  MovieFile::open(vr.path()).flattenTo(request.movie);
}

}  // namespace skylacer::movwriter
