#include "platform/imaging/failure_reason.h"

namespace skylacer::imaging {

std::string readFailureReason(ImagingStatus status, DataDamage damage) {
  if (damage == DataDamage::Truncated) return "the file ends before the picture does";
  switch (status) {
    case ImagingStatus::GenericError:
      return "the picture data are damaged";
    case ImagingStatus::OutOfMemory:
      return "not enough memory";
    case ImagingStatus::FileNotFound:
      return "no such file";
    case ImagingStatus::AccessDenied:
      return "permission denied";
    case ImagingStatus::UnknownImageFormat:
      return "not a JPEG or PNG picture";
    case ImagingStatus::NotImplemented:
      return "a kind of JPEG that cannot be read (lossless, hierarchical, 12-bit or CMYK)";
    case ImagingStatus::ValueOverflow:
      return "the picture is too large";
    case ImagingStatus::Win32Error:
      return "the file could not be read";
    default:
      return "error code " + std::to_string(static_cast<int>(status));
  }
}

}  // namespace skylacer::imaging
