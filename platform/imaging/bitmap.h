#pragma once

// The imaging layer: what the engine and the outputs need of an imaging library, and no more.
// Pixels always leave this layer as 24-bit rows in blue-green-red byte order.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

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

// Images larger than this many pixels are refused before anything is allocated.
constexpr std::int64_t kMaxPixels = std::int64_t{1} << 29;

// A view of a bitmap's pixels as 24-bit blue-green-red rows, valid until unlockRows() or the
// bitmap is released or destroyed.
struct LockedRows {
  const std::uint8_t* rows = nullptr;
  int stride = 0;  // bytes from one row to the next
  int width = 0;
  int height = 0;
};

// One picture: a photo file decoded on demand, a blank picture, or a view over a caller's
// pixel buffer. Every call stores its status as lastStatus(); a failing call never throws
// (allocation failure of pixel memory is reported as OutOfMemory).
class Bitmap {
 public:
  // A photo file (JPEG or PNG, path in UTF-8). Only the header is read here; the pixels are
  // decoded when first asked for. A file that cannot be opened or recognised gives a bitmap
  // whose lastStatus() says why and whose width and height are 0.
  static std::unique_ptr<Bitmap> fromFile(const std::string& path);

  // A blank 24-bit picture owning zero-filled pixels.
  static std::unique_ptr<Bitmap> blank(int width, int height);

  // A picture over the caller's 24-bit blue-green-red pixels (not owned; they must outlive
  // the bitmap). stride is the number of bytes from one row to the next, at least 3 * width.
  static std::unique_ptr<Bitmap> overPixels(std::uint8_t* pixels, int width, int height,
                                            int stride);

  ~Bitmap();
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;

  ImagingStatus lastStatus() const;

  // Size after the recorded rotate/flip; 0 x 0 for a bitmap that failed to open or was released.
  int width() const;
  int height() const;
  PixelFormat pixelFormat() const;

  // Records a rotate/flip (composed with any earlier one); applied when pixels are produced.
  ImagingStatus rotateFlip(int code);

  // Locks the whole picture for reading, decoding it first if needed.
  ImagingStatus lockRows(LockedRows& locked);
  ImagingStatus unlockRows();

  // Copies the whole picture into the caller's buffer: height() rows of 3 * width() bytes,
  // dstStride bytes apart.
  ImagingStatus readPixels(std::uint8_t* dst, int dstStride);

  // The whole picture scaled to dstWidth x dstHeight into the caller's buffer. Reductions
  // average areas; enlargements interpolate bilinearly. A photo file asked for at half its
  // size or less is decoded reduced (1/2, 1/4, 1/8) and never at full size.
  ImagingStatus readScaled(std::uint8_t* dst, int dstWidth, int dstHeight, int dstStride);

  // Draws the whole of source scaled into the rectangle (x, y, w, h) of this picture; parts of
  // the rectangle outside this picture are clipped.
  ImagingStatus drawScaled(Bitmap& source, int x, int y, int w, int h);

  // Encodes the picture as a baseline JPEG file; quality 0-100.
  ImagingStatus saveJpeg(const std::string& path, int quality = kDefaultJpegQuality);

  // Frees the pixels and forgets the source; later calls report InvalidParameter.
  void release();

 private:
  struct State;
  explicit Bitmap(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

}  // namespace skylacer::imaging
