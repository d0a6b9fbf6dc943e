// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The panorama written out as pictures: one JPEG at a chosen size and quality, the row of
// vertical JPEG slices of the web viewer, and the save-as-image operation.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/buffers.h"
#include "engine/progress.h"
#include "output/panorama.h"
#include "output/prompt.h"
#include "platform/imaging/bitmap.h"

namespace skylacer::output {

// The JPEG that writeJpeg writes, into `bytes`, encoded on up to `workers` threads: the bytes
// are the same for any number, and progress is reported on the calling thread only.
imaging::ImagingStatus encodeJpeg(const std::uint8_t* pixels, ImageSize size, int stride,
                                  ImageSize outputSize, int quality,
                                  std::vector<std::uint8_t>& bytes,
                                  const imaging::PhotoMetadata* metadata = nullptr,
                                  IProgress* progress = nullptr, int workers = 1);

// Writes the W x H picture `pixels` (rows `stride` bytes apart; 0 means W * 3) as a JPEG of
// `outputSize` at `quality`: unscaled when the sizes are equal, otherwise scaled in one step
// (also when enlarging). The result is the status of the failing step (making the picture,
// scaling it, saving it), Ok when the file is written. The file is written under a temporary
// name and put in place only when complete: a failure leaves the previous file as it was, and
// `failure`, when given, names the file and the reason in words (Win32Error for a file that
// cannot be written). The file carries the colour profile and capture date of `metadata` when
// given. `progress`, when given, receives the share of the scaling and the encoding done after
// each band of rows and may stop them there: the result is then Aborted and nothing is written.
// The picture is encoded on up to `workers` threads, to the same bytes for any number.
imaging::ImagingStatus writeJpeg(const std::string& path, const std::uint8_t* pixels,
                                 ImageSize size, int stride, ImageSize outputSize, int quality,
                                 std::string* failure = nullptr,
                                 const imaging::PhotoMetadata* metadata = nullptr,
                                 IProgress* progress = nullptr, int workers = 1);

// The file names of the slices: prefix, the part number in decimal, suffix. The number is
// inserted as text, so a '%' in a folder name is just a character.
struct SliceNames {
  std::string prefix;
  std::string suffix;
  std::string pathOf(int part) const { return prefix + std::to_string(part) + suffix; }
};

// Writes the W x H picture scaled to `outputSize` as vertical slices of `partWidth` output
// columns (the last one narrower), numbered from 1, each outputSize.height rows high. Source
// columns advance by the integer part of partWidth * W / W' per part (single-precision scale).
// A part that fails is skipped and the others are still written; the result is the status of
// the first failed part, Ok when every part was written, with that part's file and reason in
// `failure`. Each part replaces its file as writeJpeg does. Nothing is written for an output
// width or part width below 1 (InvalidParameter). `progress`, when given, receives the share of
// the columns written after each part and may stop the writing there (Aborted; the parts
// written so far stay).
imaging::ImagingStatus writeSlices(const SliceNames& names, const std::uint8_t* pixels,
                                   ImageSize size, int stride, ImageSize outputSize, int partWidth,
                                   int quality, std::string* failure = nullptr,
                                   IProgress* progress = nullptr);

// The save dialog's filter index that selects a QuickTime movie; every other index (JPEG,
// "All Files") writes a JPEG.
inline constexpr int kQuickTimeFilterIndex = 2;

// Saves the panorama as the user chose in the save dialog: progress 0 "Saving: ", then either
// the JPEG (0.1 "Converting to JPEG.", written in the sub-range 0.1-0.95) or the movie (0.1
// "Saving to QuickTime...", its picture in 0.1-0.3, the movie in 0.3-0.95, viewer 400 x 300).
// Failures are shown through `prompt` and give false; so does a stop asked by `progress`,
// without a message, the file at `path` left as it was. On success reports 1 "Opening
// result... " and returns true: the caller then opens the file and hides the progress display.
// A JPEG is encoded on up to `workers` threads.
bool savePanorama(const PanoramaView& panorama, const std::string& path, int filterIndex,
                  const OutputOptions& options, IProgress& progress, UserPrompt& prompt,
                  int workers = 1);

}  // namespace skylacer::output
