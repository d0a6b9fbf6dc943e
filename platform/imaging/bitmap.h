// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The imaging layer: what the engine and the outputs need of an imaging library, and no more.
// Pixels always leave this layer as 24-bit rows in blue-green-red byte order.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/imaging/photo_metadata.h"
#include "platform/imaging/row_sink.h"
#include "platform/imaging/stop_check.h"

namespace skylacer::imaging {

// Result of every call. The numbers are shown to users ("Error code: %d") and never change.
enum class ImagingStatus : int {
  Ok = 0,
  GenericError = 1,
  InvalidParameter = 2,
  OutOfMemory = 3,
  ObjectBusy = 4,
  InsufficientBuffer = 5,
  NotImplemented = 6,
  Win32Error = 7,
  WrongState = 8,
  Aborted = 9,
  FileNotFound = 10,
  ValueOverflow = 11,
  AccessDenied = 12,
  UnknownImageFormat = 13,
};

// Pixel format of the decoded source, with the imaging library's numeric values.
enum class PixelFormat : std::uint32_t {
  Undefined = 0,
  Gray8 = 0x00030803,
  Bgr24 = 0x00021808,
  Argb32 = 0x0026200A,
};

// Rotate/flip codes 0-7: 0 none, 1 = 90 degrees clockwise, 2 = 180, 3 = 270 clockwise;
// 4-7 = the same rotation followed by a horizontal flip.
constexpr int kRotateFlipCodes = 8;

constexpr int kDefaultJpegQuality = 75;

// Images larger than this many pixels are refused with ValueOverflow before anything is
// allocated: photo files whose header claims more, blank pictures, views over caller pixels
// and scaled copies alike.
constexpr std::int64_t kMaxPixels = std::int64_t{1} << 29;

// What was found wrong with a picture's encoded data the last time its pixels were decoded.
enum class DataDamage {
  None,
  Truncated,  // the data end before the picture does (a file cut short)
  Corrupt,    // the data hold something a decoder cannot make sense of
};

// A view of a bitmap's pixels as 24-bit blue-green-red rows, valid until unlockRows() or the
// bitmap is released or destroyed.
struct LockedRows {
  const std::uint8_t* rows = nullptr;
  int stride = 0;  // bytes from one row to the next
  int width = 0;
  int height = 0;
};

// One picture: a photo file or block of file bytes decoded on demand, a blank picture, or a view
// over a caller's pixel buffer. Every call that can fail stores its status as lastStatus() (the
// queries width(), height(), pixelFormat() and lastStatus() store nothing). A failing call
// never throws: allocation failure of pixel memory is reported as OutOfMemory.
//
// A bitmap that could not be made (missing file, bad size, ...) answers every later call with
// the status that made it fail, so the failure travels with it. After release() every call
// answers InvalidParameter.
//
// Damaged pictures: a JPEG or PNG that turns out damaged or truncated while its pixels are
// decoded answers the pixel calls with GenericError yet still delivers what could be decoded.
// A sequential JPEG keeps the rows above the damage and the rows below it are zero (the engine
// reads zero as "no data"); a progressive JPEG keeps the whole picture as far as its scans got.
class Bitmap {
 public:
  // A photo file (JPEG or PNG, path in UTF-8). Only the header is read here (the first 64 KiB,
  // further only when a JPEG's frame header lies beyond them, up to 16 MiB); the pixels are
  // decoded when first asked for, and the file must stay as it is until then. A file that
  // cannot be opened or recognised gives a bitmap whose lastStatus() says why and whose width
  // and height are 0: FileNotFound (missing, or not a regular file), AccessDenied,
  // UnknownImageFormat (neither JPEG nor PNG, also an empty file), GenericError (damaged header),
  // NotImplemented (lossless, hierarchical, 12-bit or CMYK JPEG), ValueOverflow (more than
  // kMaxPixels pixels).
  // A JPEG's EXIF orientation is applied as the first rotate/flip, so the photo reads upright as
  // photo viewers show it, and its width() and height() are those of the upright photo.
  static std::unique_ptr<Bitmap> fromFile(const std::string& path);

  // The encoded bytes of a photo (JPEG or PNG) held in memory; otherwise as fromFile.
  static std::unique_ptr<Bitmap> fromMemory(std::vector<std::uint8_t> bytes);

  // A blank 24-bit picture owning zero-filled pixels. A width or height below 1 gives
  // InvalidParameter.
  static std::unique_ptr<Bitmap> blank(int width, int height);

  // A picture over the caller's 24-bit blue-green-red pixels (not owned; they must outlive
  // the bitmap). stride is the number of bytes from one row to the next, at least 3 * width;
  // a null buffer, a width or height below 1 or a shorter stride give InvalidParameter.
  // A recorded rotate/flip is laid out in the pixels when the bitmap is locked or drawn into;
  // from then on the bitmap works on its own rotated copy and leaves the caller's buffer alone.
  static std::unique_ptr<Bitmap> overPixels(std::uint8_t* pixels, int width, int height,
                                            int stride);

  ~Bitmap();
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;

  ImagingStatus lastStatus() const;
  // What the last decoding of the pixels found wrong with the data; None while they decoded
  // whole or were never decoded. Kept by release(), like lastStatus().
  DataDamage damage() const;

  // Size after the recorded rotate/flip; 0 x 0 for a bitmap that failed to open or was released.
  int width() const;
  int height() const;
  // The source's format (a JPEG's or PNG's colour type); Undefined when failed or released.
  PixelFormat pixelFormat() const;

  // What the photo file says about itself (EXIF fields, colour profile), read with its header;
  // empty for blank pictures and views unless setMetadata() gave them some. Kept by release().
  const PhotoMetadata& metadata() const;
  // The metadata that saveJpeg() carries into the file it writes (colour profile, capture date).
  void setMetadata(PhotoMetadata metadata);

  // Records a rotate/flip (composed with any earlier one); applied when pixels are produced.
  // A code outside 0-7 gives InvalidParameter; a locked bitmap answers ObjectBusy.
  ImagingStatus rotateFlip(int code);

  // Locks the whole picture for reading, decoding it first if needed; the decoded pixels stay
  // with the bitmap until release(). ObjectBusy when already locked. A damaged picture is not
  // locked (GenericError); its pixels remain for readPixels and readScaled.
  ImagingStatus lockRows(LockedRows& locked);
  // WrongState when not locked.
  ImagingStatus unlockRows();

  // Copies the whole picture into the caller's buffer: height() rows of 3 * width() bytes,
  // dstStride bytes apart. A null buffer or a stride below 3 * width() gives InvalidParameter.
  // Decodes without keeping the pixels unless they are already held.
  ImagingStatus readPixels(std::uint8_t* dst, int dstStride);

  // The whole picture at full size, handed to `sink` a group of rows at a time from the first
  // row to the last, as a JPEG decodes them, so that the caller can work on each group while it
  // is in the processor's cache and need not hold the whole picture. NotImplemented, with
  // nothing handed over, for a PNG source or a picture its orientation turns (readPixels reads
  // those); a damaged picture as readPixels.
  ImagingStatus readRows(RowSink& sink);

  // The whole picture scaled to dstWidth x dstHeight into the caller's buffer. Reductions
  // average areas; enlargements interpolate bilinearly. A JPEG asked for at half its size or
  // less is decoded reduced (the strongest of 1/2, 1/4, 1/8 that still covers the asked size)
  // and never at full size. Sizes below 1 or a short stride give InvalidParameter, more than
  // kMaxPixels ValueOverflow.
  ImagingStatus readScaled(std::uint8_t* dst, int dstWidth, int dstHeight, int dstStride);

  // Draws the whole of source scaled into the rectangle (x, y, w, h) of this picture; parts of
  // the rectangle outside this picture are clipped. The source answers with its own failure
  // when it has one; drawing a bitmap into itself gives InvalidParameter, drawing into a
  // locked bitmap ObjectBusy. Parts of a damaged source that could not be decoded are drawn
  // as zero.
  ImagingStatus drawScaled(Bitmap& source, int x, int y, int w, int h);

  // Encodes the picture as a baseline JPEG file; quality 0-100 (else InvalidParameter), chroma
  // subsampled 4:2:0 below quality 90 and kept whole from 90 up. The colour profile and capture
  // date of metadata() go with it. A damaged picture is not saved
  // (GenericError). A file that cannot be written gives AccessDenied or Win32Error and is not
  // left behind half written.
  ImagingStatus saveJpeg(const std::string& path, int quality = kDefaultJpegQuality);
  // The same JPEG into `bytes` instead of a file, for a caller that writes the file itself.
  // `stop` is asked between the encoder's bands of rows (see imaging::encodeJpeg); when it says
  // stop the result is Aborted and `bytes` is left as it was.
  ImagingStatus encodeJpeg(std::vector<std::uint8_t>& bytes, int quality = kDefaultJpegQuality,
                           const StopCheck& stop = {});

  // Frees the pixels and forgets the source; later calls report InvalidParameter. lastStatus()
  // keeps the status of the call before, so a failed read can still be told after release.
  void release();

 private:
  struct State;
  explicit Bitmap(std::unique_ptr<State> state);
  static std::unique_ptr<Bitmap> adopt(std::unique_ptr<State> state);
  ImagingStatus store(ImagingStatus status);
  std::unique_ptr<State> state_;
};

}  // namespace skylacer::imaging
