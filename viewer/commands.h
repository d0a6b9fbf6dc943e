// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Command ids of the viewer's popup menu and keyboard accelerators.

namespace skylacer::viewer {

enum class ViewerCommand : int {
  About = 1,
  Exit = 2,
  Fullscreen = 7,
  NextMode = 8,
  PreviousMode = 9,
  ShadeFlat = 12,
  ShadeGouraud = 13,
  ShadePhong = 14,
  FilterNearest = 17,
  FilterMipMapped = 18,
  FillPoints = 20,
  FillWireframe = 21,
  FillSolid = 22,
  Dither = 24,
  SingleStep = 27,
  AutoTurn = 28,
  Lighting = 29,
};

// Rendering devices are commands 80 onwards (at most 5), full-screen display modes 100 onwards.
inline constexpr int kFirstDeviceCommand = 80;
inline constexpr int kLastDeviceCommand = 84;
inline constexpr int kFirstModeCommand = 100;
inline constexpr int kLastModeCommand = 199;

}  // namespace skylacer::viewer
