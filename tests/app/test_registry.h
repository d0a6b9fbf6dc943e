// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The main program's Qt Test classes, one per concept; main() runs them all or the one named.

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

namespace skylacer::test {

using TestFactory = std::function<std::unique_ptr<QObject>()>;

// Registers a test class; used at namespace scope through SKYLACER_APP_TEST.
bool registerAppTest(TestFactory factory);
const std::vector<TestFactory>& appTests();

}  // namespace skylacer::test

#define SKYLACER_APP_TEST(Class)                         \
  [[maybe_unused]] static const bool registered##Class = \
      skylacer::test::registerAppTest([] { return std::make_unique<Class>(); })
