// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/jpeg_rows.h"

#include <csetjmp>
#include <cstdio>

// jpeglib.h needs FILE and size_t declared first.
#include <jerror.h>
#include <jpeglib.h>

namespace skylacer::viewer {

struct JpegRows::Decoder {
  jpeg_decompress_struct info{};
  jpeg_error_mgr errors{};
  std::jmp_buf failure{};
  bool damaged = false;  // the data end too early, or a segment of them does
  bool created = false;
  Encoded encoded;

  ~Decoder() {
    if (created) jpeg_destroy_decompress(&info);
  }

  static Decoder& of(j_common_ptr common) { return *static_cast<Decoder*>(common->client_data); }
  // Errors end the decoding through the jump; nothing is printed.
  static void fail(j_common_ptr common) { std::longjmp(of(common).failure, 1); }
  // Other warnings (stray bytes between segments, say) leave a picture that shows as it should.
  static void message(j_common_ptr common, int level) {
    const int code = common->err->msg_code;
    if (level < 0 && (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER)) of(common).damaged = true;
  }
};

std::unique_ptr<JpegRows> JpegRows::open(std::vector<std::uint8_t> encoded) {
  return open(std::make_shared<const std::vector<std::uint8_t>>(std::move(encoded)), 1);
}

std::unique_ptr<JpegRows> JpegRows::reduced(int denominator) const {
  return open(decoder_->encoded, denominator);
}

std::unique_ptr<JpegRows> JpegRows::open(Encoded encoded, int denominator) {
  if (encoded->empty()) return nullptr;
  auto decoder = std::make_unique<Decoder>();
  Decoder& d = *decoder;
  d.encoded = std::move(encoded);
  d.info.err = jpeg_std_error(&d.errors);
  d.errors.error_exit = &Decoder::fail;
  d.errors.emit_message = &Decoder::message;
  d.info.client_data = &d;
  if (setjmp(d.failure) != 0) return nullptr;
  jpeg_create_decompress(&d.info);
  d.created = true;
  jpeg_mem_src(&d.info, d.encoded->data(), static_cast<unsigned long>(d.encoded->size()));
  if (jpeg_read_header(&d.info, TRUE) != JPEG_HEADER_OK) return nullptr;
  d.info.out_color_space = JCS_EXT_BGR;
  d.info.scale_num = 1;
  d.info.scale_denom = static_cast<unsigned>(denominator);
  jpeg_start_decompress(&d.info);
  if (d.damaged || d.info.output_components != 3 || d.info.output_width < 1 ||
      d.info.output_height < 1)
    return nullptr;
  return std::unique_ptr<JpegRows>(new JpegRows(std::move(decoder)));
}

JpegRows::JpegRows(std::unique_ptr<Decoder> decoder) : decoder_(std::move(decoder)) {
  width_ = static_cast<int>(decoder_->info.output_width);
  height_ = static_cast<int>(decoder_->info.output_height);
}

JpegRows::~JpegRows() = default;

bool JpegRows::read(std::uint8_t* target, std::ptrdiff_t stride, int count) {
  if (failed_ || count < 0 || count > height_ - rowsRead_) return false;
  Decoder& d = *decoder_;
  if (setjmp(d.failure) != 0) {
    failed_ = true;
    return false;
  }
  for (int row = 0; row < count;) {
    JSAMPROW rows[1] = {target + row * stride};
    const auto got = static_cast<int>(jpeg_read_scanlines(&d.info, rows, 1));
    if (got == 0 || d.damaged) {
      failed_ = true;
      return false;
    }
    row += got;
  }
  rowsRead_ += count;
  // A warning marks damage; the last rows also check that the data end as they should.
  if (!d.damaged && rowsRead_ == height_) jpeg_finish_decompress(&d.info);
  failed_ = d.damaged;
  return !failed_;
}

}  // namespace skylacer::viewer
