// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Texts the engine shows through the progress object, with their string-table identifiers.
// The stitch run, the alignment and the front ends all take them from here.

#include <span>
#include <string>
#include <string_view>

#include "engine/verification.h"

namespace skylacer {

enum class EngineText : int {
  UnsuitableAngle = 31482,
  UnsuitableDistortion = 31483,
  UnsuitableFocalLength = 31484,
  AligningImage = 31485,  // a template: "%d" stands for the photo number
  StitchingImages = 31486,
  LoadingImages = 31487,
  // Why a series is refused, and the hint for a circle stitched open. Templates: "%d" and "%s"
  // stand for numbers and texts in the order they come (a translation may number them: "%2$s").
  TooLittleDetail = 31490,  // photo numbers from 1, then their file names
  WrongOrder = 31491,       // the order found: photo numbers from 1 separated by spaces
  NotAFullCircle = 31492,   // whole degrees the photos cover
  DifferentSize = 31493,    // photo number, file name, its width and height, photo 1's
  ClosesFullCircle = 31494,
  StitchAnyway = 31495,        // the button that stitches a refused series all the same
  UncertainLens = 31496,       // photo numbers from 1, then their file names
  StitchInFoundOrder = 31497,  // the button that puts the photos in the order found and stitches
};

// The text of an identifier in the user's language (localText): the English word for word until
// the program installs its message catalogue (templates with their "%d").
std::string_view engineText(EngineText id);

// "Aligning image %d..." with the number of the new photo of the pair.
std::string aligningImageText(int photo);

// Photo numbers from 1 of 0-based indices, separated by spaces: "3 1 2".
std::string photoNumbersText(std::span<const int> photos);

// Why the verification refused a series, in words, naming the photos by their number (from 1)
// and file name (fileNames: one per photograph, in order).
std::string refusalText(const AlignmentRefusal& refusal, std::span<const std::string> fileNames);

}  // namespace skylacer
