// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/platform/message_format.h"

#include <cstdarg>
#include <cstdio>

namespace skylacer::viewer::platform {

std::string formatMessage(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  va_list measuring;
  va_copy(measuring, arguments);
  const int length = std::vsnprintf(nullptr, 0, format, measuring);
  va_end(measuring);
  std::string message;
  if (length > 0) {
    message.resize(static_cast<std::size_t>(length) + 1);
    std::vsnprintf(message.data(), message.size(), format, arguments);
    message.resize(static_cast<std::size_t>(length));
  }
  va_end(arguments);
  return message;
}

}  // namespace skylacer::viewer::platform
