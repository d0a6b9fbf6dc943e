// SPDX-License-Identifier: GPL-3.0-or-later
#include "movwriter/toolbox/cinepak_compressor.h"

#include <algorithm>
#include <string>

#include "movwriter/toolbox/movie_error.h"

namespace skylacer::toolbox {

namespace {

constexpr std::uint8_t kKeyFrameFlags = 0x00;  // first byte of a Cinepak key frame
constexpr int kNormalQuality = 512;
// Strips are whole rows of 4 x 4 macroblocks: the encoder needs at least one such row per strip.
constexpr int kMostStrips = 3;
constexpr int kMacroblockSide = 4;

int lambdaForQuality(int quality) {
  return std::max(1, FF_LAMBDA_SCALE * (1024 - std::clamp(quality, 0, 1024)) / 256);
}

}  // namespace

CinepakCompressor::CinepakCompressor(const CodecLibrary& codecs, int width, int height, int quality)
    : codecs_(codecs),
      encoder_(codecs.findEncoderByName("cinepak")),
      width_(width),
      height_(height),
      quality_(quality),
      frame_(codecs.allocFrame(), {&codecs, &CodecLibrary::freeFrame}),
      packet_(codecs.allocPacket(), {&codecs, &CodecLibrary::freePacket}) {
  if (encoder_ == nullptr) throw MovieToolboxError(codecErr, "no Cinepak encoder in libavcodec");
  if (frame_ == nullptr || packet_ == nullptr) throw std::bad_alloc();
  if (width < 4 || height < 4 || width % 4 != 0 || height % 4 != 0)
    throw MovieToolboxError(codecErr, "the Cinepak encoder refuses " + std::to_string(width) +
                                          " x " + std::to_string(height) +
                                          " pixels (sides must be multiples of 4)");
  openEncoder();  // refuses here, not at the first frame, what the encoder will not open
}

CinepakCompressor::Owned<AVCodecContext> CinepakCompressor::openEncoder() const {
  Owned<AVCodecContext> context(codecs_.allocContext(encoder_),
                                {&codecs_, &CodecLibrary::freeContext});
  if (context == nullptr) throw std::bad_alloc();
  context->width = width_;
  context->height = height_;
  context->pix_fmt = AV_PIX_FMT_RGB24;
  context->time_base = AVRational{1, 600};
  context->gop_size = 1;
  context->keyint_min = 1;
  const std::string strips = std::to_string(std::min(kMostStrips, height_ / kMacroblockSide));
  if (quality_ >= kNormalQuality &&
      (codecs_.setOption(context->priv_data, "min_strips", strips.c_str(), 0) < 0 ||
       codecs_.setOption(context->priv_data, "max_strips", strips.c_str(), 0) < 0))
    throw MovieToolboxError(codecErr, "the Cinepak encoder has no strip options");
  if (codecs_.openContext(context.get(), encoder_, nullptr) < 0)
    throw MovieToolboxError(codecErr, "the Cinepak encoder does not open");
  return context;
}

std::vector<std::uint8_t> CinepakCompressor::compress(const Offscreen& picture) {
  if (picture.width() != width_ || picture.height() != height_)
    throw MovieToolboxError(paramErr, "the picture does not have the encoder's size");
  // An encoder carries state from frame to frame (the random numbers of its codebook search)
  // even when every frame is a key frame: a fresh one makes the bytes a function of the picture.
  const Owned<AVCodecContext> context = openEncoder();
  frame_->format = AV_PIX_FMT_RGB24;
  frame_->width = width_;
  frame_->height = height_;
  // The encoder copies a frame it does not own; it never writes through these pointers.
  frame_->data[0] = const_cast<std::uint8_t*>(picture.row(0));
  frame_->linesize[0] = int(picture.stride());
  frame_->quality = lambdaForQuality(quality_) + 1;
  frame_->pts = 0;
  if (codecs_.sendFrame(context.get(), frame_.get()) < 0 ||
      codecs_.receivePacket(context.get(), packet_.get()) < 0)
    throw MovieToolboxError(codecErr, "the Cinepak encoder failed");
  if ((packet_->flags & AV_PKT_FLAG_KEY) == 0 || packet_->size < 1 ||
      packet_->data[0] != kKeyFrameFlags)
    throw MovieToolboxError(codecErr, "the Cinepak encoder produced an inter frame");
  return std::vector<std::uint8_t>(packet_->data, packet_->data + packet_->size);
}

SampleDescription CinepakCompressor::imageDescription() const {
  ByteWriter body;
  body.u16(0);  // version
  body.u16(0);  // revision level
  body.u32(0);  // vendor
  body.u32(0);  // temporal quality: none, every frame stands alone
  body.u32(std::uint32_t(quality_));
  body.u16(std::uint16_t(width_));
  body.u16(std::uint16_t(height_));
  body.fixed16_16(72.0);
  body.fixed16_16(72.0);
  body.u32(0);  // data size
  body.u16(1);  // frames per sample
  const std::string name = "Cinepak";
  body.u8(std::uint8_t(name.size()));
  body.text(name);
  body.zeros(31 - name.size());
  body.u16(24);  // depth
  body.i16(-1);  // no colour table
  return SampleDescription{fourCC("cvid"), 1, body.take()};
}

}  // namespace skylacer::toolbox
