// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/imaging/failure_reason.h"

#include "platform/imaging/local_text.h"

namespace skylacer::imaging {

std::string statusReason(ImagingStatus status) {
  switch (status) {
    case ImagingStatus::FileNotFound:
      return localText("no such file");
    case ImagingStatus::AccessDenied:
      return localText("permission denied");
    case ImagingStatus::UnknownImageFormat:
      return localText("not a JPEG or PNG picture");
    case ImagingStatus::NotImplemented:
      return localText(
          "a kind of JPEG that is not supported (lossless, hierarchical, 12-bit or CMYK)");
    case ImagingStatus::ValueOverflow:
      return localText("the picture is larger than %d pixels", {std::to_string(kMaxPixels)});
    case ImagingStatus::OutOfMemory:
      return localText("not enough memory");
    case ImagingStatus::InvalidParameter:
      return localText("an invalid size or quality");
    default:
      return localText("the imaging library failed (error code %d)",
                       {std::to_string(static_cast<int>(status))});
  }
}

std::string readFailureReason(ImagingStatus status, DataDamage damage) {
  if (damage == DataDamage::Truncated) return localText("the file ends before the picture does");
  if (status == ImagingStatus::GenericError) return localText("the picture data are damaged");
  if (status == ImagingStatus::Win32Error) return localText("the file could not be read");
  return statusReason(status);
}

}  // namespace skylacer::imaging
