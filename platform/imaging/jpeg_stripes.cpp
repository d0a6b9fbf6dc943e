// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/imaging/jpeg_stripes.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <span>

#include "platform/imaging/jpeg_compressor.h"
#include "platform/imaging/photo_metadata.h"

namespace skylacer::imaging {
namespace {

// libjpeg's limit on either side of a picture.
constexpr int kLongestJpegSide = 65500;
constexpr std::uint8_t kMarkerPrefix = 0xFF;
constexpr std::uint8_t kFirstRestartMarker = 0xD0;  // RST0; RST7 is 0xD7
constexpr int kRestartMarkers = 8;

// Where a stream libjpeg wrote holds its frame height (two bytes, big-endian) and where its
// entropy-coded data begin: right after the start-of-scan segment.
struct StreamLayout {
  std::size_t heightAt = 0;
  std::size_t dataBegin = 0;
};

bool isFrameMarker(std::uint8_t marker) {
  // SOF0-SOF15, less DHT (C4), JPG (C8) and DAC (CC), which share the range.
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

std::optional<StreamLayout> layoutOf(std::span<const std::uint8_t> bytes) {
  const std::size_t size = bytes.size();
  if (size < 4 || bytes[0] != kMarkerPrefix || bytes[1] != 0xD8 ||
      bytes[size - 2] != kMarkerPrefix || bytes[size - 1] != 0xD9)
    return std::nullopt;
  std::optional<std::size_t> heightAt;
  for (std::size_t at = 2; at + 4 <= size;) {
    if (bytes[at] != kMarkerPrefix) return std::nullopt;
    const std::uint8_t marker = bytes[at + 1];
    const std::size_t length = std::size_t{bytes[at + 2]} << 8 | bytes[at + 3];
    if (length < 2 || at + 2 + length > size - 2) return std::nullopt;
    if (isFrameMarker(marker)) heightAt = at + 5;  // after the length and the sample precision
    if (marker == 0xDA) {
      if (!heightAt) return std::nullopt;
      return StreamLayout{*heightAt, at + 2 + length};
    }
    at += 2 + length;
  }
  return std::nullopt;
}

std::uint8_t restartMarker(int number) {
  return static_cast<std::uint8_t>(kFirstRestartMarker + number % kRestartMarkers);
}

}  // namespace

JpegStripes::JpegStripes(ConstPlane picture, int quality)
    : picture_(picture), quality_(quality), blockRowHeight_(jpegBlockRowHeight(quality)) {
  if (quality < 0 || quality > 100 || picture.pixels == nullptr || picture.width < 1 ||
      picture.height < 1) {
    refusal_ = ImagingStatus::InvalidParameter;
    return;
  }
  // Each stripe alone would fit; the joined file's height would not.
  if (picture.height > kLongestJpegSide) {
    refusal_ = ImagingStatus::GenericError;
    return;
  }
  // Every stripe but the last is a whole number of 16-row groups, so each starts on a row of
  // blocks for either subsampling.
  const int rows = jpegBandRows(picture.width, picture.height);
  for (int top = 0; top < picture.height; top += rows)
    stripes_.push_back({top, std::min(rows, picture.height - top), ImagingStatus::Aborted, {}});
}

void JpegStripes::encode(int index) {
  Stripe& stripe = stripes_[static_cast<std::size_t>(index)];
  const ConstPlane rows{picture_.pixels + stripe.top * picture_.stride, picture_.stride,
                        picture_.width, stripe.rows};
  stripe.status = compressJpeg(rows, quality_, true, stripe.bytes, {});
}

ImagingStatus JpegStripes::join(const PhotoMetadata& metadata, std::vector<std::uint8_t>& out) {
  out.clear();
  if (refusal_ != ImagingStatus::Ok) return refusal_;
  std::vector<StreamLayout> layouts;
  std::size_t total = 0;
  for (const Stripe& stripe : stripes_) {
    if (stripe.status != ImagingStatus::Ok) return stripe.status;
    const std::optional<StreamLayout> layout = layoutOf(stripe.bytes);
    if (!layout) return ImagingStatus::GenericError;
    layouts.push_back(*layout);
    total += stripe.bytes.size();
  }

  std::vector<std::uint8_t>& first = stripes_.front().bytes;
  first[layouts[0].heightAt] = static_cast<std::uint8_t>(picture_.height >> 8);
  first[layouts[0].heightAt + 1] = static_cast<std::uint8_t>(picture_.height & 0xFF);
  out = withCarriedMetadata(std::span(first).first(layouts[0].dataBegin), metadata);
  out.reserve(out.size() + total);
  for (std::size_t k = 0; k < stripes_.size(); ++k) {
    const std::vector<std::uint8_t>& bytes = stripes_[k].bytes;
    // A stripe numbers its markers from RST0 after its own first row of blocks; in the whole
    // file they go on from the rows above it, and one more marker comes before it.
    const int blockRow = stripes_[k].top / blockRowHeight_;
    if (k > 0) {
      out.push_back(kMarkerPrefix);
      out.push_back(restartMarker(blockRow - 1));
    }
    const std::size_t from = out.size();
    out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(layouts[k].dataBegin),
               bytes.end() - 2);
    // Inside the data a 0xFF byte is followed by 0x00, so 0xFF then 0xD0-0xD7 is a marker.
    // 0xFF bytes are rare there: they are looked for a word at a time.
    std::uint8_t* const end = out.data() + out.size();
    for (std::uint8_t* at = out.data() + from; end - at >= 2; ++at) {
      at = static_cast<std::uint8_t*>(
          std::memchr(at, kMarkerPrefix, static_cast<std::size_t>(end - at - 1)));
      if (at == nullptr) break;
      if (at[1] >= kFirstRestartMarker && at[1] < kFirstRestartMarker + kRestartMarkers)
        at[1] = restartMarker(at[1] - kFirstRestartMarker + blockRow);
    }
    std::vector<std::uint8_t>().swap(stripes_[k].bytes);
  }
  out.push_back(kMarkerPrefix);
  out.push_back(0xD9);
  return ImagingStatus::Ok;
}

}  // namespace skylacer::imaging
