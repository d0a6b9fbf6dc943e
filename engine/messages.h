#pragma once

// Texts the engine shows through the progress object, with their string-table identifiers.
// The stitch run, the alignment and the front ends all take them from here.

#include <string>
#include <string_view>

namespace skylacer {

enum class EngineText : int {
  UnsuitableAngle = 31482,
  UnsuitableDistortion = 31483,
  UnsuitableFocalLength = 31484,
  AligningImage = 31485,  // a template: "%d" stands for the photo number
  StitchingImages = 31486,
  LoadingImages = 31487,
};

// The text of an identifier, word for word (templates with their "%d").
std::string_view engineText(EngineText id);

// "Aligning image %d..." with the number of the new photo of the pair.
std::string aligningImageText(int photo);

}  // namespace skylacer
