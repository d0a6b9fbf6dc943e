// SPDX-License-Identifier: GPL-3.0-or-later
#include "movwriter/vr_atoms.h"

#include <cmath>
#include <cstdio>
#include <string_view>

#include "movwriter/toolbox/big_endian.h"

namespace skylacer::movwriter {

using toolbox::AtomContainer;
using toolbox::ByteWriter;
using toolbox::fourCC;

namespace {

// The value of pi in the tilt formula: both occurrences use this constant, not a closer one.
constexpr double kTiltPi = 3.14159;

constexpr std::uint16_t kMajorVersion = 2;
constexpr std::uint16_t kMinorVersion = 0;
constexpr std::uint32_t kNodeId = 1;

enum class ImagingMode : std::uint32_t { Static = 1, Motion = 2 };
constexpr std::uint32_t kImagingValidFlags = 7;  // correction, quality and directDraw are set
constexpr std::uint32_t kFullCorrection = 2;
constexpr std::uint16_t kStringUsage = 1;

void version(ByteWriter& out) {
  out.u16(kMajorVersion);
  out.u16(kMinorVersion);
}

void panoramaImaging(AtomContainer& world, AtomContainer::Atom parent, ImagingMode mode,
                     std::uint32_t quality, bool directDraw) {
  ByteWriter impn;
  version(impn);
  impn.u32(std::uint32_t(mode));
  impn.u32(kImagingValidFlags);
  impn.u32(kFullCorrection);
  impn.u32(quality);
  impn.u32(directDraw ? 1 : 0);
  impn.zeros(6 * 4);  // imaging properties
  impn.zeros(2 * 4);  // reserved
  world.insertChild(parent, fourCC("impn"), 0, impn.bytes());
}

void hotSpot(AtomContainer& node, AtomContainer::Atom parent, std::uint32_t index) {
  const auto hots = node.insertChild(parent, fourCC("hots"), index);

  char name[32];
  const int length = std::snprintf(name, sizeof name, "Hot Spot Index %u", unsigned(index));
  ByteWriter vrsg;
  vrsg.u16(kStringUsage);
  vrsg.u16(std::uint16_t(length));
  vrsg.text(std::string_view(name, std::size_t(length)));
  const auto nameAtom = node.insertChild(hots, fourCC("vrsg"), 0, vrsg.bytes());

  ByteWriter hsin;
  version(hsin);
  hsin.u32(fourCC("url "));
  hsin.u32(node.id(nameAtom));
  hsin.zeros(68 - 12);  // comment, cursors, best view, rectangle, flags, reserved: all 0
  node.insertChild(hots, fourCC("hsin"), 1, hsin.bytes());

  ByteWriter address;
  address.text(kHotSpotAddress);
  node.insertChild(hots, fourCC("url "), 1, address.bytes());
}

}  // namespace

double tiltLimitDegrees(PanoramaGeometry geometry, int hfovDegrees) {
  const double aspect = kTiltPi * double(geometry.tileWidth) / double(geometry.panoramaWidth());
  return std::atan(aspect) * double(hfovDegrees / 2) / kTiltPi;
}

AtomContainer vrWorld() {
  AtomContainer world;
  ByteWriter vrsc;
  version(vrsc);
  vrsc.u32(0);        // name atom id: no name
  vrsc.u32(kNodeId);  // default node
  vrsc.u32(0);        // flags
  vrsc.zeros(2 * 4);
  world.insertChild(AtomContainer::root, fourCC("vrsc"), 1, vrsc.bytes());

  const auto imaging = world.insertChild(AtomContainer::root, fourCC("imgp"), 1);
  panoramaImaging(world, imaging, ImagingMode::Motion, 256, true);
  panoramaImaging(world, imaging, ImagingMode::Static, 768, false);

  const auto nodes = world.insertChild(AtomContainer::root, fourCC("vrnp"), 1);
  const auto node = world.insertChild(nodes, fourCC("vrni"), kNodeId);
  ByteWriter nloc;
  version(nloc);
  nloc.u32(fourCC("pano"));
  nloc.u32(0);  // flags: the node is in this file
  nloc.u32(0);  // location data
  nloc.zeros(2 * 4);
  world.insertChild(node, fourCC("nloc"), 1, nloc.bytes());
  return world;
}

AtomContainer nodeInformation() {
  AtomContainer node;
  ByteWriter ndhd;
  version(ndhd);
  ndhd.u32(fourCC("pano"));
  ndhd.u32(kNodeId);
  ndhd.u32(0);  // name atom id
  ndhd.u32(0);  // comment atom id
  ndhd.zeros(2 * 4);
  node.insertChild(AtomContainer::root, fourCC("ndhd"), 1, ndhd.bytes());

  const auto hotSpots = node.insertChild(AtomContainer::root, fourCC("hspa"), 1);
  for (std::uint32_t index = 1; index <= kHotSpotCount; ++index) hotSpot(node, hotSpots, index);
  return node;
}

AtomContainer panoramaSample(PanoramaGeometry geometry, int hfovDegrees,
                             std::uint32_t imageRefTrackIndex) {
  const double tilt = tiltLimitDegrees(geometry, hfovDegrees);
  const float maxFieldOfView = float(2 * tilt);
  ByteWriter pdat;
  version(pdat);
  pdat.u32(imageRefTrackIndex);
  pdat.u32(0);                   // no hot-spot track
  pdat.f32(0.0f);                // minPan
  pdat.f32(float(hfovDegrees));  // maxPan
  pdat.f32(float(-tilt));        // minTilt
  pdat.f32(float(tilt));         // maxTilt
  pdat.f32(0.0f);                // minFieldOfView
  pdat.f32(maxFieldOfView);
  pdat.f32(0.0f);  // defaultPan
  pdat.f32(0.0f);  // defaultTilt
  pdat.f32(maxFieldOfView * 0.8f);
  for (int picture = 0; picture < 2; ++picture) {  // the image, then the hot-spot image
    pdat.u32(geometry.tileWidth);
    pdat.u32(geometry.panoramaWidth());
    pdat.u16(1);
    pdat.u16(kTileCount);
  }
  pdat.u32(0);  // flags: vertical cylinder
  pdat.u32(0);  // panorama type
  pdat.u32(0);  // reserved
  AtomContainer sample;
  sample.insertChild(AtomContainer::root, fourCC("pdat"), 1, pdat.bytes());
  return sample;
}

}  // namespace skylacer::movwriter
