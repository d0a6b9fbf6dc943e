// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/messages.h"

#include <cmath>
#include <initializer_list>

#include "platform/imaging/local_text.h"

namespace skylacer {

std::string_view engineText(EngineText id) {
  switch (id) {
    case EngineText::UnsuitableAngle:
      return localText("Unsuitable angle. Restarting.");
    case EngineText::UnsuitableDistortion:
      return localText("Unsuitable distortion. Restarting.");
    case EngineText::UnsuitableFocalLength:
      return localText("Unsuitable or invalid focal length. Restarting.");
    case EngineText::AligningImage:
      return localText("Aligning image %d...");
    case EngineText::StitchingImages:
      return localText("Stitching images");
    case EngineText::LoadingImages:
      return localText("Loading images...");
    case EngineText::TooLittleDetail:
      return localText("Photos %d and %d (%s, %s) share too little detail to align.");
    case EngineText::WrongOrder:
      return localText("The photos are not in order from left to right: the order found is %s.");
    case EngineText::NotAFullCircle:
      return localText("The photos cover %d degrees and do not close a full circle.");
    case EngineText::DifferentSize:
      return localText(
          "Photo %d (%s) is %d x %d pixels, photo 1 is %d x %d: all photos must have one size "
          "and orientation.");
    case EngineText::ClosesFullCircle:
      return localText(
          "These photos close a full circle: stitched as a full 360 degree panorama, its ends "
          "would join.");
    case EngineText::StitchAnyway:
      return localText("Stitch anyway");
    case EngineText::UncertainLens:
      return localText(
          "Photos %d and %d (%s, %s) share too little detail to tell the lens's focal length.");
    case EngineText::StitchInFoundOrder:
      return localText("Stitch in the order found");
  }
  return {};
}

namespace {

// The text of `id` in the user's language with its placeholders filled by `values`.
std::string filled(EngineText id, std::initializer_list<std::string_view> values) {
  return filledText(engineText(id), values);
}

std::string photoName(std::span<const std::string> fileNames, int photo) {
  const auto index = static_cast<std::size_t>(photo);
  if (index >= fileNames.size()) return "?";
  const std::string& path = fileNames[index];
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string aligningImageText(int photo) {
  return filled(EngineText::AligningImage, {std::to_string(photo)});
}

std::string photoNumbersText(std::span<const int> photos) {
  std::string text;
  for (const int photo : photos) text += (text.empty() ? "" : " ") + std::to_string(photo + 1);
  return text;
}

std::string refusalText(const AlignmentRefusal& refusal, std::span<const std::string> fileNames) {
  switch (refusal.problem) {
    case AlignmentProblem::TooLittleDetail:
    case AlignmentProblem::UncertainLens:
      return filled(
          refusal.problem == AlignmentProblem::TooLittleDetail ? EngineText::TooLittleDetail
                                                               : EngineText::UncertainLens,
          {std::to_string(refusal.firstPhoto + 1), std::to_string(refusal.secondPhoto + 1),
           photoName(fileNames, refusal.firstPhoto), photoName(fileNames, refusal.secondPhoto)});
    case AlignmentProblem::WrongOrder:
      return filled(EngineText::WrongOrder, {photoNumbersText(refusal.order)});
    case AlignmentProblem::NotAFullCircle:
      return filled(EngineText::NotAFullCircle,
                    {std::to_string(static_cast<int>(std::lround(refusal.coveredDegrees)))});
    case AlignmentProblem::DifferentSize:
      return filled(
          EngineText::DifferentSize,
          {std::to_string(refusal.firstPhoto + 1), photoName(fileNames, refusal.firstPhoto),
           std::to_string(refusal.size.width), std::to_string(refusal.size.height),
           std::to_string(refusal.expectedSize.width),
           std::to_string(refusal.expectedSize.height)});
  }
  return {};
}

}  // namespace skylacer
