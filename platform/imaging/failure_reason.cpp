// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/imaging/failure_reason.h"

namespace skylacer::imaging {

std::string statusReason(ImagingStatus status) {
  switch (status) {
    case ImagingStatus::FileNotFound:
      return "no such file";
    case ImagingStatus::AccessDenied:
      return "permission denied";
    case ImagingStatus::UnknownImageFormat:
      return "not a JPEG or PNG picture";
    case ImagingStatus::NotImplemented:
      return "a kind of JPEG that is not supported (lossless, hierarchical, 12-bit or CMYK)";
    case ImagingStatus::ValueOverflow:
      return "the picture is larger than " + std::to_string(kMaxPixels) + " pixels";
    case ImagingStatus::OutOfMemory:
      return "not enough memory";
    case ImagingStatus::InvalidParameter:
      return "an invalid size or quality";
    default:
      return "the imaging library failed (error code " + std::to_string(static_cast<int>(status)) +
             ")";
  }
}

std::string readFailureReason(ImagingStatus status, DataDamage damage) {
  if (damage == DataDamage::Truncated) return "the file ends before the picture does";
  if (status == ImagingStatus::GenericError) return "the picture data are damaged";
  if (status == ImagingStatus::Win32Error) return "the file could not be read";
  return statusReason(status);
}

}  // namespace skylacer::imaging
