// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The rendering device's settings as the viewer chooses them: shade mode, lighting and fill
// mode (the device's render quality), texture filtering and dithering.

namespace skylacer::viewer::platform {

// OpenGL has flat and smooth shading; Gouraud and Phong are both drawn smooth.
enum class ShadeMode { Flat = 0, Gouraud = 1, Phong = 2 };
enum class FillMode { Points = 0, Wireframe = 1, Solid = 2 };
// The device's texture-quality values: nearest texel, linear, mip-mapped with linear sampling.
enum class TextureFilter { Nearest = 0, Linear = 1, MipMappedLinear = 3 };

// Starting settings: flat shading, lighting off, linear filtering, dithering off, and the
// faces drawn solid, so that the panorama appears as textured faces.
struct DeviceSettings {
  ShadeMode shade = ShadeMode::Flat;
  bool lighting = false;  // a white ambient light of full intensity: texture colours unchanged
  FillMode fill = FillMode::Solid;
  TextureFilter filter = TextureFilter::Linear;
  bool dither = false;

  bool operator==(const DeviceSettings&) const = default;
};

}  // namespace skylacer::viewer::platform
