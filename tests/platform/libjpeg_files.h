// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// JPEG files written and read by libjpeg itself, with their APP segments and colour profile:
// an encoder and a reader independent of the imaging layer's own.

#include <jpeglib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/platform/imaging_pictures.h"

namespace skylacer::imaging::test {

struct AppSegment {
  int marker = JPEG_APP0 + 1;
  std::vector<std::uint8_t> payload;
};

// The picture as a baseline JPEG at quality 95 with the segments, then the profile's chunks.
inline std::vector<std::uint8_t> libjpegFile(const Picture& picture,
                                             const std::vector<AppSegment>& segments,
                                             const std::vector<std::uint8_t>& iccProfile = {}) {
  jpeg_compress_struct compress{};
  jpeg_error_mgr errors{};
  compress.err = jpeg_std_error(&errors);
  jpeg_create_compress(&compress);
  unsigned char* data = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&compress, &data, &size);
  compress.image_width = static_cast<JDIMENSION>(picture.width);
  compress.image_height = static_cast<JDIMENSION>(picture.height);
  compress.input_components = 3;
  compress.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&compress);
  jpeg_set_quality(&compress, 95, TRUE);
  jpeg_start_compress(&compress, TRUE);
  for (const AppSegment& segment : segments)
    jpeg_write_marker(&compress, segment.marker, segment.payload.data(),
                      static_cast<unsigned>(segment.payload.size()));
  if (!iccProfile.empty())
    jpeg_write_icc_profile(&compress, iccProfile.data(), static_cast<unsigned>(iccProfile.size()));
  while (compress.next_scanline < compress.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(picture.pixel(0, static_cast<int>(compress.next_scanline)));
    jpeg_write_scanlines(&compress, &row, 1);
  }
  jpeg_finish_compress(&compress);
  jpeg_destroy_compress(&compress);
  std::vector<std::uint8_t> bytes(data, data + size);
  std::free(data);
  return bytes;
}

struct LibjpegMarkers {
  std::vector<std::vector<std::uint8_t>> app1;  // payloads of the APP1 segments
  std::vector<std::uint8_t> iccProfile;         // as libjpeg assembles it
};

inline LibjpegMarkers libjpegMarkers(const std::vector<std::uint8_t>& jpeg) {
  jpeg_decompress_struct decompress{};
  jpeg_error_mgr errors{};
  decompress.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&decompress);
  jpeg_mem_src(&decompress, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
  jpeg_save_markers(&decompress, JPEG_APP0 + 1, 0xFFFF);
  jpeg_save_markers(&decompress, JPEG_APP0 + 2, 0xFFFF);
  jpeg_read_header(&decompress, TRUE);
  LibjpegMarkers markers;
  for (jpeg_saved_marker_ptr marker = decompress.marker_list; marker != nullptr;
       marker = marker->next)
    if (marker->marker == JPEG_APP0 + 1)
      markers.app1.emplace_back(marker->data, marker->data + marker->data_length);
  JOCTET* profile = nullptr;
  unsigned profileSize = 0;
  if (jpeg_read_icc_profile(&decompress, &profile, &profileSize)) {
    markers.iccProfile.assign(profile, profile + profileSize);
    std::free(profile);
  }
  jpeg_destroy_decompress(&decompress);
  return markers;
}

}  // namespace skylacer::imaging::test
