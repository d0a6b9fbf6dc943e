// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the main program's Qt Test classes: all of them, or the one named by the first argument
// (the remaining arguments go to Qt Test).

#include <QApplication>
#include <QTest>
#include <clocale>
#include <cstring>

#include "tests/app/test_registry.h"

namespace skylacer::test {

namespace {
std::vector<TestFactory>& registry() {
  static std::vector<TestFactory> tests;
  return tests;
}
}  // namespace

bool registerAppTest(TestFactory factory) {
  registry().push_back(std::move(factory));
  return true;
}

const std::vector<TestFactory>& appTests() {
  return registry();
}

}  // namespace skylacer::test

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM",
          qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication application(argc, argv);
  std::setlocale(LC_NUMERIC, "C");
  const char* only = argc > 1 && argv[1][0] != '-' ? argv[1] : nullptr;
  int failures = 0;
  bool ran = false;
  for (const auto& factory : skylacer::test::appTests()) {
    std::unique_ptr<QObject> test = factory();
    if (only && std::strcmp(test->metaObject()->className(), only) != 0) continue;
    ran = true;
    QStringList arguments{QString::fromLocal8Bit(argv[0])};
    for (int i = only ? 2 : 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    failures += QTest::qExec(test.get(), arguments);
  }
  return ran ? failures : 1;
}
