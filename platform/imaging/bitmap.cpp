// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/imaging/bitmap.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "platform/imaging/jpeg_codec.h"
#include "platform/imaging/orientation.h"
#include "platform/imaging/picture_file.h"
#include "platform/imaging/picture_header.h"
#include "platform/imaging/pixel_buffer.h"
#include "platform/imaging/pixel_plane.h"
#include "platform/imaging/png_codec.h"
#include "platform/imaging/scaling.h"

namespace skylacer::imaging {
namespace {

// A JPEG whose frame header is not found within this many bytes is taken as damaged.
constexpr std::uint64_t kMaxHeaderSearchBytes = std::uint64_t{16} << 20;

ImagingStatus checkSize(int width, int height) {
  if (width < 1 || height < 1) return ImagingStatus::InvalidParameter;
  if (std::int64_t{width} * height > kMaxPixels) return ImagingStatus::ValueOverflow;
  return ImagingStatus::Ok;
}

bool covers(Plane target, PixelRect placement) {
  return placement.x >= 0 && placement.y >= 0 &&
         std::int64_t{placement.x} + placement.width <= target.width &&
         std::int64_t{placement.y} + placement.height <= target.height;
}

void zeroRows(Plane plane) {
  for (int y = 0; y < plane.height; ++y)
    std::memset(plane.pixels + y * plane.stride, 0,
                std::size_t{3} * static_cast<std::size_t>(plane.width));
}

}  // namespace

struct Bitmap::State {
  ImagingStatus lastStatus = ImagingStatus::Ok;
  ImagingStatus openFailure = ImagingStatus::Ok;  // why the bitmap holds no picture
  bool released = false;
  bool locked = false;

  // The encoded source while its pixels are not held: a file (read again at every decode) or
  // bytes in memory.
  std::string path;
  std::vector<std::uint8_t> encodedBytes;
  PictureHeader header;

  // Upright pixels, before `orientation`: owned, or the caller's. Null while not decoded.
  PixelBuffer ownedPixels;
  Plane pixels;
  ImagingStatus pixelsStatus = ImagingStatus::Ok;  // GenericError when decoded from damaged data
  DataDamage damage = DataDamage::None;            // what the last decoding found

  Orientation orientation;
  PixelFormat pixelFormat = PixelFormat::Undefined;
  PhotoMetadata metadata;

  // A photo whose header has been read: upright as its EXIF orientation says.
  static std::unique_ptr<State> encoded(PictureHeader header) {
    auto state = std::make_unique<State>();
    state->metadata = std::move(header.metadata);
    state->header = std::move(header);
    state->pixelFormat = state->header.pixelFormat;
    if (const std::optional<int> exif = state->metadata.exif.orientation)
      state->orientation = Orientation::fromExif(*exif).value_or(Orientation());
    return state;
  }

  static std::unique_ptr<State> failed(ImagingStatus status) {
    auto state = std::make_unique<State>();
    state->openFailure = status;
    state->lastStatus = status;
    return state;
  }

  ImagingStatus usability() const {
    if (released) return ImagingStatus::InvalidParameter;
    return openFailure;
  }
  int uprightWidth() const { return pixels.pixels != nullptr ? pixels.width : header.width; }
  int uprightHeight() const { return pixels.pixels != nullptr ? pixels.height : header.height; }
  int orientedWidth() const { return orientation.swapsAxes() ? uprightHeight() : uprightWidth(); }
  int orientedHeight() const { return orientation.swapsAxes() ? uprightWidth() : uprightHeight(); }

  void holdPixels(PixelBuffer buffer) {
    ownedPixels = std::move(buffer);
    pixels = ownedPixels.plane();
  }

  // The encoded source's bytes: those held, or the file's, read into `fileBytes`.
  ImagingStatus sourceBytes(FileBytes& fileBytes, std::span<const std::uint8_t>& bytes) const {
    bytes = encodedBytes;
    if (path.empty()) return ImagingStatus::Ok;
    if (const ImagingStatus read = readWholeFile(path, fileBytes); read != ImagingStatus::Ok)
      return read;
    bytes = fileBytes.view();
    return ImagingStatus::Ok;
  }

  // Decodes the encoded source at 1/denominator into `target`, which has that reduced size.
  ImagingStatus decode(int denominator, Plane target) {
    damage = DataDamage::None;
    FileBytes fileBytes;
    std::span<const std::uint8_t> bytes;
    if (const ImagingStatus read = sourceBytes(fileBytes, bytes); read != ImagingStatus::Ok)
      return read;
    if (header.format == EncodedFormat::Png) return decodePng(bytes, header, target, damage);
    return decodeJpeg(bytes, header, denominator, target, damage);
  }

  // Hands the whole upright picture to `sink` a group of rows at a time: decoded from a JPEG
  // source, or copied from the pixels held.
  ImagingStatus streamRows(RowSink& sink) {
    if (!orientation.isIdentity()) return ImagingStatus::NotImplemented;
    if (pixels.pixels != nullptr) {
      for (int row = 0; row < pixels.height;) {
        const Plane room = sink.roomFrom(row);
        if (room.width != pixels.width || room.height < 1) return ImagingStatus::InvalidParameter;
        const int count = std::min(room.height, pixels.height - row);
        for (int i = 0; i < count; ++i)
          std::memcpy(room.pixels + room.stride * i, pixels.pixels + pixels.stride * (row + i),
                      std::size_t{3} * static_cast<std::size_t>(pixels.width));
        sink.filled(row, count);
        row += count;
      }
      return pixelsStatus;
    }
    if (header.format != EncodedFormat::Jpeg) return ImagingStatus::NotImplemented;
    damage = DataDamage::None;
    FileBytes fileBytes;
    std::span<const std::uint8_t> bytes;
    if (const ImagingStatus read = sourceBytes(fileBytes, bytes); read != ImagingStatus::Ok)
      return read;
    return decodeJpegRows(bytes, header, 1, sink, damage);
  }

  // Draws the whole picture, oriented and scaled to placement's size, into `target` at
  // placement. An encoded JPEG is decoded reduced when that still covers the size asked for,
  // and straight into the target when no scaling or turning is left to do.
  ImagingStatus render(Plane target, PixelRect placement) {
    if (pixels.pixels != nullptr) {
      drawOrientedScaled(pixels, orientation, target, placement);
      return pixelsStatus;
    }
    const int uprightTargetWidth = orientation.swapsAxes() ? placement.height : placement.width;
    const int uprightTargetHeight = orientation.swapsAxes() ? placement.width : placement.height;
    const int denominator =
        header.format == EncodedFormat::Jpeg
            ? jpegReduction(header.width, header.height, uprightTargetWidth, uprightTargetHeight)
            : 1;
    const int decodedWidth = reducedLength(header.width, denominator);
    const int decodedHeight = reducedLength(header.height, denominator);
    if (decodedWidth == uprightTargetWidth && decodedHeight == uprightTargetHeight &&
        orientation.isIdentity() && covers(target, placement)) {
      const Plane destination{
          target.pixels + placement.y * target.stride + placement.x * std::ptrdiff_t{3},
          target.stride, decodedWidth, decodedHeight};
      const ImagingStatus status = decode(denominator, destination);
      if (status != ImagingStatus::Ok) {
        // Decoded again into zeroed rows, so that what lies beyond the damage reads as zero.
        zeroRows(destination);
        decode(denominator, destination);
      }
      return status;
    }
    const PixelBuffer decoded = PixelBuffer::allocate(decodedWidth, decodedHeight);
    if (decoded.empty()) return ImagingStatus::OutOfMemory;
    const ImagingStatus status = decode(denominator, decoded.plane());
    drawOrientedScaled(decoded.plane(), orientation, target, placement);
    return status;
  }

  // Holds the whole picture in memory with the orientation laid out in it, decoding the
  // source if needed.
  ImagingStatus layOut() {
    if (pixels.pixels == nullptr) {
      PixelBuffer upright = PixelBuffer::allocate(header.width, header.height);
      if (upright.empty()) return ImagingStatus::OutOfMemory;
      const ImagingStatus decoded = decode(1, upright.plane());
      // A source that could not be read at all (gone, refused, memory short) is kept and tried
      // again next time; damaged data are held as far as they decoded.
      if (decoded != ImagingStatus::Ok && decoded != ImagingStatus::GenericError) return decoded;
      pixelsStatus = decoded;
      holdPixels(std::move(upright));
      forgetSource();
    }
    if (!orientation.isIdentity()) {
      PixelBuffer oriented = PixelBuffer::allocate(orientedWidth(), orientedHeight());
      if (oriented.empty()) return ImagingStatus::OutOfMemory;
      drawOrientedScaled(pixels, orientation, oriented.plane(),
                         {0, 0, orientedWidth(), orientedHeight()});
      holdPixels(std::move(oriented));
      orientation = Orientation();
    }
    return pixelsStatus;
  }

  void forgetSource() {
    path.clear();
    std::vector<std::uint8_t>().swap(encodedBytes);
  }
};

Bitmap::Bitmap(std::unique_ptr<State> state) : state_(std::move(state)) {}

Bitmap::~Bitmap() = default;

ImagingStatus Bitmap::store(ImagingStatus status) {
  state_->lastStatus = status;
  return status;
}

std::unique_ptr<Bitmap> Bitmap::adopt(std::unique_ptr<State> state) {
  return std::unique_ptr<Bitmap>(new Bitmap(std::move(state)));
}

std::unique_ptr<Bitmap> Bitmap::fromFile(const std::string& path) {
  std::vector<std::uint8_t> start;
  std::uint64_t fileSize = 0;
  PictureHeader header;
  ImagingStatus status = ImagingStatus::InsufficientBuffer;
  for (std::uint64_t wanted = kHeaderReadBytes; status == ImagingStatus::InsufficientBuffer;
       wanted *= 2) {
    status = readFileStart(path, static_cast<std::size_t>(wanted), start, fileSize);
    if (status != ImagingStatus::Ok) break;
    status = readPictureHeader(start, header);
    // The whole file, or as far as a frame header is looked for, holds no complete header.
    if (status == ImagingStatus::InsufficientBuffer &&
        (start.size() >= fileSize || wanted >= kMaxHeaderSearchBytes))
      status = ImagingStatus::GenericError;
  }
  if (status != ImagingStatus::Ok) return adopt(State::failed(status));
  auto state = State::encoded(std::move(header));
  state->path = path;
  return adopt(std::move(state));
}

std::unique_ptr<Bitmap> Bitmap::fromMemory(std::vector<std::uint8_t> bytes) {
  PictureHeader header;
  ImagingStatus status = readPictureHeader(bytes, header);
  if (status == ImagingStatus::InsufficientBuffer) status = ImagingStatus::GenericError;
  if (status != ImagingStatus::Ok) return adopt(State::failed(status));
  auto state = State::encoded(std::move(header));
  state->encodedBytes = std::move(bytes);
  return adopt(std::move(state));
}

std::unique_ptr<Bitmap> Bitmap::blank(int width, int height) {
  if (const ImagingStatus size = checkSize(width, height); size != ImagingStatus::Ok)
    return adopt(State::failed(size));
  PixelBuffer buffer = PixelBuffer::allocate(width, height);
  if (buffer.empty()) return adopt(State::failed(ImagingStatus::OutOfMemory));
  auto state = std::make_unique<State>();
  state->holdPixels(std::move(buffer));
  state->pixelFormat = PixelFormat::Bgr24;
  return adopt(std::move(state));
}

std::unique_ptr<Bitmap> Bitmap::overPixels(std::uint8_t* pixels, int width, int height,
                                           int stride) {
  ImagingStatus status = checkSize(width, height);
  if (status == ImagingStatus::Ok && (pixels == nullptr || stride < std::int64_t{3} * width))
    status = ImagingStatus::InvalidParameter;
  if (status != ImagingStatus::Ok) return adopt(State::failed(status));
  auto state = std::make_unique<State>();
  state->pixels = Plane{pixels, stride, width, height};
  state->pixelFormat = PixelFormat::Bgr24;
  return adopt(std::move(state));
}

ImagingStatus Bitmap::lastStatus() const {
  return state_->lastStatus;
}

DataDamage Bitmap::damage() const {
  return state_->damage;
}

const PhotoMetadata& Bitmap::metadata() const {
  return state_->metadata;
}

void Bitmap::setMetadata(PhotoMetadata metadata) {
  state_->metadata = std::move(metadata);
}

int Bitmap::width() const {
  return state_->usability() == ImagingStatus::Ok ? state_->orientedWidth() : 0;
}

int Bitmap::height() const {
  return state_->usability() == ImagingStatus::Ok ? state_->orientedHeight() : 0;
}

PixelFormat Bitmap::pixelFormat() const {
  return state_->usability() == ImagingStatus::Ok ? state_->pixelFormat : PixelFormat::Undefined;
}

ImagingStatus Bitmap::rotateFlip(int code) {
  if (const ImagingStatus usable = state_->usability(); usable != ImagingStatus::Ok)
    return store(usable);
  if (state_->locked) return store(ImagingStatus::ObjectBusy);
  const std::optional<Orientation> turn = Orientation::fromCode(code);
  if (!turn) return store(ImagingStatus::InvalidParameter);
  state_->orientation = state_->orientation.then(*turn);
  return store(ImagingStatus::Ok);
}

ImagingStatus Bitmap::lockRows(LockedRows& locked) {
  if (const ImagingStatus usable = state_->usability(); usable != ImagingStatus::Ok)
    return store(usable);
  if (state_->locked) return store(ImagingStatus::ObjectBusy);
  try {
    if (const ImagingStatus laidOut = state_->layOut(); laidOut != ImagingStatus::Ok)
      return store(laidOut);
  } catch (const std::bad_alloc&) {
    return store(ImagingStatus::OutOfMemory);
  }
  const Plane& pixels = state_->pixels;
  locked = LockedRows{pixels.pixels, static_cast<int>(pixels.stride), pixels.width, pixels.height};
  state_->locked = true;
  return store(ImagingStatus::Ok);
}

ImagingStatus Bitmap::unlockRows() {
  if (const ImagingStatus usable = state_->usability(); usable != ImagingStatus::Ok)
    return store(usable);
  if (!state_->locked) return store(ImagingStatus::WrongState);
  state_->locked = false;
  return store(ImagingStatus::Ok);
}

ImagingStatus Bitmap::readPixels(std::uint8_t* dst, int dstStride) {
  return readScaled(dst, width(), height(), dstStride);
}

ImagingStatus Bitmap::readScaled(std::uint8_t* dst, int dstWidth, int dstHeight, int dstStride) {
  if (const ImagingStatus usable = state_->usability(); usable != ImagingStatus::Ok)
    return store(usable);
  if (const ImagingStatus size = checkSize(dstWidth, dstHeight); size != ImagingStatus::Ok)
    return store(size);
  if (dst == nullptr || dstStride < std::int64_t{3} * dstWidth)
    return store(ImagingStatus::InvalidParameter);
  try {
    return store(state_->render(Plane{dst, dstStride, dstWidth, dstHeight},
                                PixelRect{0, 0, dstWidth, dstHeight}));
  } catch (const std::bad_alloc&) {
    return store(ImagingStatus::OutOfMemory);
  }
}

ImagingStatus Bitmap::readRows(RowSink& sink) {
  if (const ImagingStatus usable = state_->usability(); usable != ImagingStatus::Ok)
    return store(usable);
  try {
    return store(state_->streamRows(sink));
  } catch (const std::bad_alloc&) {
    return store(ImagingStatus::OutOfMemory);
  }
}

ImagingStatus Bitmap::drawScaled(Bitmap& source, int x, int y, int w, int h) {
  if (const ImagingStatus usable = state_->usability(); usable != ImagingStatus::Ok)
    return store(usable);
  if (const ImagingStatus usable = source.state_->usability(); usable != ImagingStatus::Ok)
    return store(usable);
  if (&source == this) return store(ImagingStatus::InvalidParameter);
  if (const ImagingStatus size = checkSize(w, h); size != ImagingStatus::Ok) return store(size);
  if (state_->locked) return store(ImagingStatus::ObjectBusy);
  try {
    if (const ImagingStatus laidOut = state_->layOut(); laidOut != ImagingStatus::Ok)
      return store(laidOut);
    return store(source.state_->render(state_->pixels, PixelRect{x, y, w, h}));
  } catch (const std::bad_alloc&) {
    return store(ImagingStatus::OutOfMemory);
  }
}

ImagingStatus Bitmap::saveJpeg(const std::string& path, int quality) {
  std::vector<std::uint8_t> bytes;
  if (const ImagingStatus encoded = encodeJpeg(bytes, quality); encoded != ImagingStatus::Ok)
    return encoded;
  return store(writeWholeFile(path, bytes));
}

ImagingStatus Bitmap::encodeJpeg(std::vector<std::uint8_t>& bytes, int quality,
                                 const StopCheck& stop) {
  if (const ImagingStatus usable = state_->usability(); usable != ImagingStatus::Ok)
    return store(usable);
  if (quality < 0 || quality > 100) return store(ImagingStatus::InvalidParameter);
  try {
    ConstPlane picture = state_->pixels;
    ImagingStatus status = state_->pixelsStatus;
    PixelBuffer oriented;
    if (picture.pixels == nullptr || !state_->orientation.isIdentity()) {
      oriented = PixelBuffer::allocate(width(), height());
      if (oriented.empty()) return store(ImagingStatus::OutOfMemory);
      status = state_->render(oriented.plane(), PixelRect{0, 0, width(), height()});
      picture = oriented.plane();
    }
    if (status != ImagingStatus::Ok) return store(status);
    EncodedJpeg encoded;
    if (const ImagingStatus encoding = imaging::encodeJpeg(picture, quality, encoded, stop);
        encoding != ImagingStatus::Ok)
      return store(encoding);
    bytes = withCarriedMetadata(encoded.bytes(), state_->metadata);
    return store(ImagingStatus::Ok);
  } catch (const std::bad_alloc&) {
    return store(ImagingStatus::OutOfMemory);
  }
}

void Bitmap::release() {
  State& state = *state_;
  state.forgetSource();
  state.ownedPixels = PixelBuffer();
  state.pixels = Plane();
  state.locked = false;
  state.released = true;
}

}  // namespace skylacer::imaging
