// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/app/test_host.h"

#include <QTest>

#include "output/image.h"
#include "tests/support/samples.h"

namespace skylacer::test {

std::filesystem::path interfacesDir() {
  return SKYLACER_TEST_INTERFACES_DIR;
}
std::filesystem::path programDir() {
  return SKYLACER_TEST_PROGRAM_DIR;
}
std::filesystem::path artefactsDir() {
  const std::filesystem::path folder = SKYLACER_TEST_ARTEFACTS_DIR;
  std::filesystem::create_directories(folder);
  return folder;
}

TestHost::TestHost(bool show, app::StartFiles start)
    : userStore(folder / "user.db", registry::SettingsStore::Access::ReadWrite),
      machineStore(folder / "machine.db", registry::SettingsStore::Access::ReadOnly),
      window(std::make_unique<app::CQuiltraDlg>(
          app::HostEnvironment{services, userStore, machineStore, programDir()})) {
  QObject::connect(&window->movie(), &app::CShockwaveFlash::frameAction,
                   [this](const QString& operation, const QString& target, const QString& label) {
                     frameActions << operation + ' ' + target + ' ' + label;
                   });
  const QStringList errors = window->loadInterface(interfacesDir() / "quiltra.qml");
  if (!errors.isEmpty()) qFatal("quiltra.qml: %s", qPrintable(errors.join('\n')));
  window->start(std::move(start));
  if (show) {
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get())) qFatal("the window was not exposed");
  }
}

TestHost::~TestHost() = default;

int TestHost::labelCount(const QString& label) const {
  return static_cast<int>(frameActions.filter(QRegularExpression(" " + label + "$")).size());
}

bool stitchByClicking(TestHost& host) {
  const int results = host.labelCount("GetResult");
  return host.click("stitchButton") &&
         QTest::qWaitFor([&] { return host.labelCount("GetResult") > results; },
                         kStitchTimeoutMs) &&
         QTest::qWaitFor([&] { return host.item("progressOverlay") == nullptr; });
}

bool stitchCancelledByClicking(TestHost& host) {
  bool cancelled = false;
  const QMetaObject::Connection cancelling =
      QObject::connect(&host.movie(), &app::CShockwaveFlash::frameAction,
                       [&](const QString&, const QString&, const QString& label) {
                         if (label == QLatin1String("SetProgress") && !cancelled)
                           cancelled = host.click("cancelButton");
                       });
  const int hidden = host.labelCount("HideProgress");
  const bool ended =
      host.click("stitchButton") &&
      QTest::qWaitFor([&] { return host.labelCount("HideProgress") > hidden; }, kStitchTimeoutMs) &&
      QTest::qWaitFor([&] { return host.item("progressOverlay") == nullptr; });
  QObject::disconnect(cancelling);
  return ended && cancelled;
}

void listPhotos(TestHost& host, const std::vector<std::string>& paths) {
  host.movie().setVariable("NumImagesToAlign", std::to_string(paths.size()));
  for (std::size_t i = 0; i < paths.size(); ++i) {
    host.movie().setVariable("alignpath" + std::to_string(i), paths[i]);
    host.movie().setVariable("alignang" + std::to_string(i), "0");
  }
}

void givePanorama(TestHost& host, int width, int height) {
  app::WorkingState& state = host.window->state();
  state.panoramaSize = {width, height};
  state.panorama.assign(static_cast<std::size_t>(width) * height * 3, 90);
}

std::vector<std::string> samplePhotoPaths() {
  std::vector<std::string> paths;
  for (const auto& photo : samplePhotos("mountains")) paths.push_back(photo.string());
  return paths;
}

std::string writeRampPhoto(const std::filesystem::path& path, int width, int height) {
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = &pixels[(static_cast<std::size_t>(y) * width + x) * 3];
      p[0] = static_cast<std::uint8_t>(40 + 200 * x / width);
      p[1] = static_cast<std::uint8_t>(40 + 200 * y / height);
      p[2] = 128;
    }
  const ImageSize size{width, height};
  if (output::writeJpeg(path.string(), pixels.data(), size, width * 3, size, 90) !=
      imaging::ImagingStatus::Ok)
    qFatal("cannot write %s", path.c_str());
  return path.string();
}

namespace {

// The visible item named `objectName` under `root`, searched through the visual tree.
QQuickItem* findItem(QQuickItem* root, const QString& objectName) {
  if (!root) return nullptr;
  // Delegates of a cleared list linger invisible until they are deleted: the visible one counts.
  if (root->objectName() == objectName && root->isVisible()) return root;
  for (QQuickItem* child : root->childItems())
    if (QQuickItem* found = findItem(child, objectName)) return found;
  return nullptr;
}

}  // namespace

QQuickItem* TestHost::item(const QString& objectName) const {
  return findItem(window->quickWidget().rootObject(), objectName);
}

bool TestHost::click(const QString& objectName) {
  QQuickItem* target = item(objectName);
  if (!target || !target->isVisible()) return false;
  const QPointF centre = target->mapToScene(QPointF(target->width() / 2, target->height() / 2));
  QTest::mouseClick(&window->quickWidget(), Qt::LeftButton, {}, centre.toPoint());
  return true;
}

}  // namespace skylacer::test
