// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/imaging/jpeg_compressor.h"

// jpeglib.h needs the declarations of stdio.h before it.
#include <cstdio>
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <algorithm>
#include <csetjmp>
#include <new>
#include <span>

namespace skylacer::imaging {
namespace {

constexpr int kHighQualityWithoutSubsampling = 90;
// From this quality up TurboJPEG uses the accurate integer transform, below it the fast one.
constexpr int kAccurateTransformQuality = 96;

// Rows of about this many pixels go to the encoder at once: a few tens of milliseconds of work
// even for noise at quality 100.
constexpr std::int64_t kEncodeBandPixels = std::int64_t{1} << 20;
// The encoder works in rows of 16 (two rows of 4:2:0 blocks); a band is a whole number of them.
constexpr int kEncoderRowGroup = 16;
constexpr std::size_t kFirstOutputBytes = std::size_t{64} << 10;
// The side of a block of samples.
constexpr int kBlockSide = 8;

// Luma samples per chroma sample, each way: 2 (4:2:0) below kHighQualityWithoutSubsampling,
// 1 (4:4:4) from it up.
int lumaSampling(int quality) {
  return quality >= kHighQualityWithoutSubsampling ? 1 : 2;
}

// libjpeg's error exit must not return; it jumps back to where the encoding began.
struct EncoderErrors {
  jpeg_error_mgr manager;  // first: libjpeg's pointer to it is a pointer to the whole
  std::jmp_buf escape;
};

// libjpeg's output, written straight into a vector that grows as needed.
struct VectorDestination {
  jpeg_destination_mgr manager;  // first: libjpeg's pointer to it is a pointer to the whole
  std::vector<std::uint8_t>* bytes = nullptr;
};

// One encoding's libjpeg state, released however the encoding ends. It lives outside the
// function that calls setjmp, so that libjpeg's jump back skips no destructor.
struct Compressor {
  jpeg_compress_struct info{};
  EncoderErrors errors{};
  VectorDestination destination{};
  ~Compressor() { jpeg_destroy_compress(&info); }
};

extern "C" void leaveEncoder(j_common_ptr info) {
  std::longjmp(reinterpret_cast<EncoderErrors*>(info->err)->escape, 1);
}

extern "C" void keepQuiet(j_common_ptr) {}

// Makes room in the output after its first `used` bytes, or leaves through libjpeg's error exit
// as libjpeg does when its own memory runs out.
void makeRoom(j_compress_ptr info, std::size_t used) {
  auto& destination = *reinterpret_cast<VectorDestination*>(info->dest);
  std::vector<std::uint8_t>& bytes = *destination.bytes;
  bool grown = true;
  try {
    bytes.resize(std::max(kFirstOutputBytes, bytes.size() * 2));
  } catch (const std::bad_alloc&) {
    grown = false;
  }
  if (!grown) {
    info->err->msg_code = JERR_OUT_OF_MEMORY;
    info->err->error_exit(reinterpret_cast<j_common_ptr>(info));
  }
  destination.manager.next_output_byte = bytes.data() + used;
  destination.manager.free_in_buffer = bytes.size() - used;
}

extern "C" void startOutput(j_compress_ptr info) {
  makeRoom(info, 0);
}

// Called when the output is full.
extern "C" boolean continueOutput(j_compress_ptr info) {
  makeRoom(info, reinterpret_cast<VectorDestination*>(info->dest)->bytes->size());
  return TRUE;
}

extern "C" void endOutput(j_compress_ptr info) {
  auto& destination = *reinterpret_cast<VectorDestination*>(info->dest);
  destination.bytes->resize(destination.bytes->size() - destination.manager.free_in_buffer);
}

// TurboJPEG's settings for a blue-green-red picture at `quality`: the standard tables scaled
// to the quality, YCbCr with a JFIF header, the fast transform below kAccurateTransformQuality,
// and luma sampled `lumaSampling` times per chroma sample both ways.
void setTurboJpegDefaults(jpeg_compress_struct& info, int quality, int lumaSampling) {
  info.in_color_space = JCS_EXT_BGR;
  info.input_components = 3;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  info.dct_method = quality >= kAccurateTransformQuality ? JDCT_ISLOW : JDCT_FASTEST;
  jpeg_set_colorspace(&info, JCS_YCbCr);
  info.comp_info[0].h_samp_factor = lumaSampling;
  info.comp_info[0].v_samp_factor = lumaSampling;
  for (int chroma = 1; chroma < 3; ++chroma) {
    info.comp_info[chroma].h_samp_factor = 1;
    info.comp_info[chroma].v_samp_factor = 1;
  }
}

// Encodes `picture` a band of rows.size() rows at a time, asking `stop` after
// each band. Only objects without destructors live in this frame, which libjpeg's error exit
// may leave by longjmp.
ImagingStatus compressInBands(Compressor& compressor, ConstPlane picture, int quality,
                              bool restartEveryBlockRow, std::span<JSAMPROW> rows,
                              const StopCheck& stop) {
  jpeg_compress_struct& info = compressor.info;
  if (setjmp(compressor.errors.escape) != 0)
    return compressor.errors.manager.msg_code == JERR_OUT_OF_MEMORY ? ImagingStatus::OutOfMemory
                                                                    : ImagingStatus::GenericError;
  jpeg_create_compress(&info);
  compressor.destination.manager.init_destination = startOutput;
  compressor.destination.manager.empty_output_buffer = continueOutput;
  compressor.destination.manager.term_destination = endOutput;
  info.dest = &compressor.destination.manager;
  info.image_width = static_cast<JDIMENSION>(picture.width);
  info.image_height = static_cast<JDIMENSION>(picture.height);
  setTurboJpegDefaults(info, quality, lumaSampling(quality));
  if (restartEveryBlockRow) info.restart_in_rows = 1;
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    const auto top = static_cast<int>(info.next_scanline);
    const int count = std::min(static_cast<int>(rows.size()), picture.height - top);
    for (int i = 0; i < count; ++i)
      rows[static_cast<std::size_t>(i)] =
          const_cast<JSAMPROW>(picture.pixels + (top + i) * picture.stride);
    jpeg_write_scanlines(&info, rows.data(), static_cast<JDIMENSION>(count));
    if (stop && stop(static_cast<double>(info.next_scanline) / picture.height))
      return ImagingStatus::Aborted;
  }
  jpeg_finish_compress(&info);
  return ImagingStatus::Ok;
}

}  // namespace

int jpegBandRows(int width, int height) {
  const std::int64_t groupedRows = kEncodeBandPixels / width / kEncoderRowGroup * kEncoderRowGroup;
  return static_cast<int>(
      std::min<std::int64_t>(std::max<std::int64_t>(groupedRows, kEncoderRowGroup), height));
}

int jpegBlockRowHeight(int quality) {
  return kBlockSide * lumaSampling(quality);
}

ImagingStatus compressJpeg(ConstPlane picture, int quality, bool restartEveryBlockRow,
                           std::vector<std::uint8_t>& bytes, const StopCheck& stop) {
  bytes.clear();
  if (quality < 0 || quality > 100 || picture.pixels == nullptr || picture.width < 1 ||
      picture.height < 1)
    return ImagingStatus::InvalidParameter;
  std::vector<JSAMPROW> rows(static_cast<std::size_t>(jpegBandRows(picture.width, picture.height)));
  Compressor compressor;
  compressor.info.err = jpeg_std_error(&compressor.errors.manager);
  compressor.errors.manager.error_exit = leaveEncoder;
  compressor.errors.manager.output_message = keepQuiet;
  compressor.destination.bytes = &bytes;
  const ImagingStatus status =
      compressInBands(compressor, picture, quality, restartEveryBlockRow, rows, stop);
  if (status != ImagingStatus::Ok) std::vector<std::uint8_t>().swap(bytes);
  return status;
}

}  // namespace skylacer::imaging
