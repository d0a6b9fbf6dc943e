#pragma once

#include <string>

#include "platform/imaging/bitmap.h"

namespace skylacer::imaging {

// Why a picture could not be opened or decoded, in words a user can act on, for a message that
// names the file: "the file ends before the picture does", "no such file", ... A status without
// a reason of its own is given by its number ("error code 8").
std::string readFailureReason(ImagingStatus status, DataDamage damage);

}  // namespace skylacer::imaging
