// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/scoped_env.h"

#include <cstdlib>
#include <utility>

namespace skylacer::test {

namespace {

void setOrRemove(const std::string& name, const char* value) {
  if (value != nullptr) {
    ::setenv(name.c_str(), value, 1);
  } else {
    ::unsetenv(name.c_str());
  }
}

}  // namespace

ScopedEnv::ScopedEnv(std::string name, const char* value) : name_(std::move(name)) {
  if (const char* previous = std::getenv(name_.c_str())) previous_ = previous;
  setOrRemove(name_, value);
}

ScopedEnv::~ScopedEnv() {
  setOrRemove(name_, previous_ ? previous_->c_str() : nullptr);
}

}  // namespace skylacer::test
