// SPDX-License-Identifier: GPL-3.0-or-later
#include "movwriter/toolbox/movie_error.h"

#include <cerrno>
#include <cstring>

namespace skylacer::toolbox {

OSErr errnoToOSErr(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return fnfErr;
    case EEXIST:
      return dupFNErr;
    case EACCES:
    case EPERM:
    case EROFS:
      return permErr;
    case ENOSPC:
    case EDQUOT:
      return dskFulErr;
    case ENOMEM:
      return memFullErr;
    case ENAMETOOLONG:
    case EISDIR:
    case EINVAL:
      return paramErr;
    default:
      return ioErr;
  }
}

void throwErrno(int error, const std::string& operation, const std::string& path) {
  throw MovieToolboxError(errnoToOSErr(error),
                          operation + " " + path + ": " + std::strerror(error));
}

}  // namespace skylacer::toolbox
