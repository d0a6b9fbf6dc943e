// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Compresses offscreen pictures into Cinepak frames with libavcodec's encoder, every frame a
// self-contained key frame (the tiles of a panorama are decoded independently) whose bytes
// depend on its picture alone: not on the frames compressed before, nor on the compressor.
//
// Codec quality (0..1024; 512 normal, 768 high, 1023 maximum) maps to the encoder's
// rate-distortion weight: lambda = FF_LAMBDA_SCALE * (1024 - quality) / 256, at least 1, so
// 768 weighs bits half as much as the encoder's default (lambda 2 * FF_LAMBDA_SCALE). From
// normal quality up every frame is cut into exactly 3 strips, the most that old decoders read:
// on photographs that is two to three times faster than letting the encoder search 1 to 3
// strips per frame (it encodes the frame once per count), at the same PSNR within 0.1 dB, for
// frames about 10 % larger. No other option of the encoder changes its speed. A strip is at
// least 4 rows high, so frames 4 and 8 rows high get 1 and 2 strips. Below normal quality the
// encoder searches. Codebooks are never skipped (old decoders need them).

#include <cstdint>
#include <memory>
#include <vector>

#include "movwriter/toolbox/codec_library.h"
#include "movwriter/toolbox/movie.h"
#include "movwriter/toolbox/offscreen.h"

namespace skylacer::toolbox {

inline constexpr int kCodecHighQuality = 768;

class CinepakCompressor {
 public:
  // An encoder for width x height pictures. Throws MovieToolboxError (codecErr) when the
  // library has no Cinepak encoder or the encoder refuses the size (both sides must be
  // multiples of 4) or cannot be opened.
  CinepakCompressor(const CodecLibrary& codecs, int width, int height, int quality);
  CinepakCompressor(const CinepakCompressor&) = delete;
  CinepakCompressor& operator=(const CinepakCompressor&) = delete;

  // One key frame of `picture`, which must have the encoder's size. Throws MovieToolboxError
  // (codecErr) when the encoder fails or produces anything but a key frame. Compressors on
  // different threads may compress at the same time; one compressor compresses one picture at
  // a time.
  std::vector<std::uint8_t> compress(const Offscreen& picture);

  // The 'cvid' image description of the frames: version 0, spatial quality, size, 72 dpi,
  // one frame per sample, compressor name "Cinepak", depth 24, no colour table.
  SampleDescription imageDescription() const;

 private:
  // Frees a libavcodec object through the library's own function for it.
  template <typename T>
  struct Release {
    const CodecLibrary* codecs;
    void (*CodecLibrary::*free)(T**);
    void operator()(T* object) const { (codecs->*free)(&object); }
  };
  template <typename T>
  using Owned = std::unique_ptr<T, Release<T>>;

  // A newly opened encoder for the compressor's size and quality.
  Owned<AVCodecContext> openEncoder() const;

  const CodecLibrary& codecs_;
  const AVCodec* encoder_;
  int width_;
  int height_;
  int quality_;
  Owned<AVFrame> frame_;
  Owned<AVPacket> packet_;
};

}  // namespace skylacer::toolbox
