// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/imaging/jpeg_codec.h"

#include <turbojpeg.h>

#include <cstring>
#include <memory>

#include "platform/imaging/jpeg_compressor.h"

namespace skylacer::imaging {
namespace {

struct DestroyTurboJpeg {
  void operator()(void* handle) const { tjDestroy(handle); }
};
using TurboJpeg = std::unique_ptr<void, DestroyTurboJpeg>;

// A failed decode is put down to a file cut short when the decoder ran out of data, or when the
// bytes do not end with the end-of-image marker; anything else is damage inside the data.
DataDamage damageOf(void* decoder, std::span<const std::uint8_t> bytes) {
  const char* message = tjGetErrorStr2(decoder);
  const bool ranOut =
      message != nullptr && std::strstr(message, "Premature end of JPEG") != nullptr;
  const bool endsWithMarker =
      bytes.size() >= 2 && bytes[bytes.size() - 2] == 0xFF && bytes.back() == 0xD9;
  return ranOut || !endsWithMarker ? DataDamage::Truncated : DataDamage::Corrupt;
}

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

ImagingStatus decodeJpeg(std::span<const std::uint8_t> bytes, const PictureHeader& header,
                         int denominator, Plane target, DataDamage& damage) {
  damage = DataDamage::None;
  const TurboJpeg decoder(tjInitDecompress());
  if (decoder == nullptr) return ImagingStatus::OutOfMemory;
  int width = 0, height = 0, subsampling = 0, colourSpace = 0;
  if (tjDecompressHeader3(decoder.get(), bytes.data(), bytes.size(), &width, &height, &subsampling,
                          &colourSpace) != 0) {
    damage = damageOf(decoder.get(), bytes);
    return ImagingStatus::GenericError;
  }
  if (width != header.width || height != header.height ||
      target.width != reducedLength(width, denominator) ||
      target.height != reducedLength(height, denominator)) {
    damage = DataDamage::Corrupt;
    return ImagingStatus::GenericError;
  }
  // A sequential picture stops at the first damage so that the rows after it stay untouched
  // rather than smeared; a progressive one decodes on, as its later scans only refine.
  int flags = TJFLAG_LIMITSCANS;
  if (!header.progressive) flags |= TJFLAG_STOPONWARNING;
  if (tjDecompress2(decoder.get(), bytes.data(), bytes.size(), target.pixels, target.width,
                    static_cast<int>(target.stride), target.height, TJPF_BGR, flags) != 0) {
    damage = damageOf(decoder.get(), bytes);
    return ImagingStatus::GenericError;
  }
  return ImagingStatus::Ok;
}

ImagingStatus encodeJpeg(ConstPlane picture, int quality, EncodedJpeg& encoded,
                         const StopCheck& stop) {
  return compressJpeg(picture, quality, false, encoded.bytes_, stop);
}

}  // namespace skylacer::imaging
