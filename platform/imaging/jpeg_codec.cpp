// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/imaging/jpeg_codec.h"

// jpeglib.h needs the declarations of stdio.h before it.
#include <cstdio>
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <algorithm>
#include <array>
#include <csetjmp>

#include "platform/imaging/jpeg_compressor.h"

namespace skylacer::imaging {
namespace {

// A progressive picture with more scans than this is refused: each scan costs a pass over the
// whole picture, so a small file could otherwise keep the decoder busy for minutes.
constexpr int kMostScans = 500;
// Rows asked of the decoder at once: a 4:2:0 picture yields 16 rows per row of blocks.
constexpr int kRowsAtOnce = 16;

// libjpeg's error exit must not return; it jumps back to where the decoding began. Warnings
// (data the decoder could work around) are noted, and end a sequential picture's decoding at
// once, so that the rows after the damage stay untouched rather than smeared.
struct DecoderErrors {
  jpeg_error_mgr manager;  // first: libjpeg's pointer to it is a pointer to the whole
  std::jmp_buf escape;
  bool stopOnWarning = false;
  // The message that ends the decoding, or else the first warning; 0 while there is none.
  int message = 0;
  bool tooManyScans = false;
};

// One decoding's libjpeg state, released however the decoding ends. It lives outside the
// function that calls setjmp, so that libjpeg's jump back skips no destructor.
struct Decompressor {
  jpeg_decompress_struct info{};
  DecoderErrors errors{};
  jpeg_progress_mgr progress{};
  ~Decompressor() { jpeg_destroy_decompress(&info); }
};

DecoderErrors& errorsOf(j_common_ptr info) {
  return *reinterpret_cast<DecoderErrors*>(info->err);
}

extern "C" void leaveDecoder(j_common_ptr info) {
  DecoderErrors& errors = errorsOf(info);
  errors.message = info->err->msg_code;
  std::longjmp(errors.escape, 1);
}

// Trace messages (level 0 and up) are ignored, warnings (below 0) noted.
extern "C" void noteWarning(j_common_ptr info, int level) {
  if (level >= 0) return;
  DecoderErrors& errors = errorsOf(info);
  if (errors.message == 0) errors.message = info->err->msg_code;
  if (errors.stopOnWarning) std::longjmp(errors.escape, 1);
}

extern "C" void limitScans(j_common_ptr info) {
  if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number <= kMostScans) return;
  DecoderErrors& errors = errorsOf(info);
  errors.tooManyScans = true;
  std::longjmp(errors.escape, 1);
}

// A failed decode is put down to a file cut short when the decoder ran out of data, or when the
// bytes do not end with the end-of-image marker; anything else is damage inside the data.
DataDamage damageOf(const DecoderErrors& errors, std::span<const std::uint8_t> bytes) {
  const bool ranOut = !errors.tooManyScans && errors.message == JWRN_JPEG_EOF;
  const bool endsWithMarker =
      bytes.size() >= 2 && bytes[bytes.size() - 2] == 0xFF && bytes.back() == 0xD9;
  return ranOut || !endsWithMarker ? DataDamage::Truncated : DataDamage::Corrupt;
}

// The rows of one plane, from the first asked for to its last.
class PlaneRows final : public RowSink {
 public:
  explicit PlaneRows(Plane target) : target_(target) {}
  Plane roomFrom(int first) override {
    return {target_.pixels + target_.stride * first, target_.stride, target_.width,
            target_.height - first};
  }
  void filled(int, int) override {}

 private:
  Plane target_;
};

}  // namespace

int reducedLength(int length, int denominator) {
  return static_cast<int>((std::int64_t{length} + denominator - 1) / denominator);
}

int jpegReduction(int width, int height, int targetWidth, int targetHeight) {
  for (const int denominator : {8, 4, 2}) {
    if (reducedLength(width, denominator) >= targetWidth &&
        reducedLength(height, denominator) >= targetHeight)
      return denominator;
  }
  return 1;
}

ImagingStatus decodeJpegRows(std::span<const std::uint8_t> bytes, const PictureHeader& header,
                             int denominator, RowSink& sink, DataDamage& damage) {
  damage = DataDamage::None;
  Decompressor decoder;
  decoder.info.err = jpeg_std_error(&decoder.errors.manager);
  decoder.errors.manager.error_exit = leaveDecoder;
  decoder.errors.manager.emit_message = noteWarning;
  decoder.progress.progress_monitor = limitScans;
  // A progressive picture decodes on past a warning, as its later scans only refine.
  decoder.errors.stopOnWarning = !header.progressive;
  if (setjmp(decoder.errors.escape) != 0) {
    if (decoder.errors.message == JERR_OUT_OF_MEMORY) return ImagingStatus::OutOfMemory;
    damage = damageOf(decoder.errors, bytes);
    return ImagingStatus::GenericError;
  }
  jpeg_create_decompress(&decoder.info);
  decoder.info.progress = &decoder.progress;
  jpeg_mem_src(&decoder.info, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&decoder.info, TRUE);
  if (static_cast<std::int64_t>(decoder.info.image_width) != header.width ||
      static_cast<std::int64_t>(decoder.info.image_height) != header.height) {
    damage = DataDamage::Corrupt;
    return ImagingStatus::GenericError;
  }
  decoder.info.out_color_space = JCS_EXT_BGR;
  decoder.info.scale_num = 1;
  decoder.info.scale_denom = static_cast<unsigned>(denominator);
  jpeg_start_decompress(&decoder.info);
  const auto width = static_cast<int>(decoder.info.output_width);
  const auto height = static_cast<int>(decoder.info.output_height);
  std::array<JSAMPROW, kRowsAtOnce> rows{};
  while (static_cast<int>(decoder.info.output_scanline) < height) {
    const auto first = static_cast<int>(decoder.info.output_scanline);
    const Plane room = sink.roomFrom(first);
    if (room.width != width || room.height < 1 || room.stride < std::ptrdiff_t{3} * width)
      return ImagingStatus::InvalidParameter;
    const int count = std::min({room.height, kRowsAtOnce, height - first});
    for (int i = 0; i < count; ++i)
      rows[static_cast<std::size_t>(i)] = room.pixels + room.stride * i;
    const auto got = static_cast<int>(
        jpeg_read_scanlines(&decoder.info, rows.data(), static_cast<JDIMENSION>(count)));
    // The data are all in memory, so the decoder never has to wait for more: no row means it
    // cannot go on.
    if (got == 0) {
      damage = DataDamage::Corrupt;
      return ImagingStatus::GenericError;
    }
    sink.filled(first, got);
  }
  jpeg_finish_decompress(&decoder.info);
  if (decoder.errors.message != 0) {
    damage = damageOf(decoder.errors, bytes);
    return ImagingStatus::GenericError;
  }
  return ImagingStatus::Ok;
}

ImagingStatus decodeJpeg(std::span<const std::uint8_t> bytes, const PictureHeader& header,
                         int denominator, Plane target, DataDamage& damage) {
  damage = DataDamage::None;
  if (target.width != reducedLength(header.width, denominator) ||
      target.height != reducedLength(header.height, denominator)) {
    damage = DataDamage::Corrupt;
    return ImagingStatus::GenericError;
  }
  PlaneRows rows(target);
  return decodeJpegRows(bytes, header, denominator, rows, damage);
}

ImagingStatus encodeJpeg(ConstPlane picture, int quality, EncodedJpeg& encoded,
                         const StopCheck& stop) {
  return compressJpeg(picture, quality, false, encoded.bytes_, stop);
}

}  // namespace skylacer::imaging
