// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The values a web export derives from the chosen page path, the output size and the field of
// view, as the page templates receive them.

#include <filesystem>
#include <string>
#include <string_view>

#include "engine/buffers.h"

namespace skylacer::output {

struct PageName {
  std::string folder;     // the chosen path's folder, with its trailing separator (may be empty)
  std::string baseName;   // the page's file name without extension
  std::string extension;  // begins with ".htm" in some letter case
  std::filesystem::path pagePath() const { return folder + baseName + extension; }
};

// The page for a chosen path: an extension that does not begin with ".htm" (any letter case)
// joins the name and the page gets ".html" ("pano.txt" gives "pano.txt.html", "pano" gives
// "pano.html"). Only the file name's last dot counts.
PageName pageNameFor(std::string_view chosenPath);

// The size of the viewer object on the page for a w x h picture: when w > h, the height is h
// held to 100-500 and the width (height div 3) * 4 but at most 770; otherwise 400 x 300.
ImageSize viewerObjectSize(ImageSize picture);

// The field of view in degrees, rounded up to a whole number (the program's π, so exactly 2π
// gives 361).
int angleDegrees(double fieldOfView);

// The field of view in radians with six decimals ("%1.6lf"), whatever the process locale.
std::string radiansText(double fieldOfView);

// The width of the slices of the Flash viewer: W' divided by (angle div 10), treated as 1 below
// 10 degrees, rounded down to a multiple of 8, then 0 becomes 8 and anything above 128 becomes
// 128.
int flashPartWidth(int outputWidth, int angle);

// How many slices of `partWidth` cover `outputWidth` (the last one may be narrower).
int partCount(int outputWidth, int partWidth);

// Text made safe inside HTML and XML, as element content and in quoted attribute values: the
// characters & < > " ' become character references; anything else is unchanged.
std::string escapeMarkup(std::string_view text);

}  // namespace skylacer::output
