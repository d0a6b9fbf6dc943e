#include "engine/messages.h"

namespace skylacer {

std::string_view engineText(EngineText id) {
  switch (id) {
    case EngineText::UnsuitableAngle:
      return "Unsuitable angle. Restarting.";
    case EngineText::UnsuitableDistortion:
      return "Unsuitable distortion. Restarting.";
    case EngineText::UnsuitableFocalLength:
      return "Unsuitable or invalid focal length. Restarting.";
    case EngineText::AligningImage:
      return "Aligning image %d...";
    case EngineText::StitchingImages:
      return "Stitching images";
    case EngineText::LoadingImages:
      return "Loading images...";
  }
  return {};
}

std::string aligningImageText(int photo) {
  std::string text(engineText(EngineText::AligningImage));
  text.replace(text.find("%d"), 2, std::to_string(photo));
  return text;
}

}  // namespace skylacer
