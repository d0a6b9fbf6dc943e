// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "platform/imaging/bitmap.h"

namespace skylacer::imaging {

// A status in words a user can act on, for the statuses that mean the same whether a picture
// was being read or written ("no such file", "not a JPEG or PNG picture", ...); any other is
// given by its number ("the imaging library failed (error code 8)").
std::string statusReason(ImagingStatus status);

// Why a picture could not be opened or decoded, for a message that names the file: "the file
// ends before the picture does", "the picture data are damaged", or statusReason.
std::string readFailureReason(ImagingStatus status, DataDamage damage);

}  // namespace skylacer::imaging
