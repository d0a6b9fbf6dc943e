// SPDX-License-Identifier: GPL-3.0-or-later
// Placement, size and sizing rules of the main window, on their numbers.

#include "app/window_geometry.h"

#include <QTest>

#include "app/quiltra_dlg.h"
#include "tests/app/test_registry.h"

using namespace skylacer::app;

class WindowGeometryTest : public QObject {
  Q_OBJECT

 private slots:
  void defaultPlacementCentresEightyPercent_data() {
    QTest::addColumn<int>("sw");
    QTest::addColumn<int>("sh");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("1024x768") << 1024 << 768 << 120 << 104 << 784 << 560;
    QTest::newRow("1280x1024") << 1280 << 1024 << 160 << 169 << 960 << 685;
    QTest::newRow("offscreen 800x800") << 800 << 800 << 80 << 171 << 640 << 457;
  }
  void defaultPlacementCentresEightyPercent() {
    QFETCH(int, sw);
    QFETCH(int, sh);
    QFETCH(int, left);
    QFETCH(int, top);
    QFETCH(int, width);
    QFETCH(int, height);
    QVERIFY(defaultPlacement({sw, sh}) == (WindowRect{left, top, left + width, top + height}));
  }

  void storedRectangles() {
    const PixelSize screen{1024, 768};
    QVERIFY(!acceptedStoredRect(windowRectBytes({0, 0, 800, 600}), screen));
    QVERIFY(acceptedStoredRect(windowRectBytes({10, 10, 810, 610}), screen) ==
            std::optional(WindowRect{10, 10, 810, 610}));
    std::vector<std::uint8_t> longer = windowRectBytes({10, 10, 810, 610});
    longer.push_back(0);
    QVERIFY(!acceptedStoredRect(longer, screen));
    // A corrupt left edge far below zero must not wrap into a plausible width.
    QVERIFY(!acceptedStoredRect(windowRectBytes({INT32_MIN, 10, 810, 610}), screen));
  }

  // Without a known position (Wayland) a stored rectangle is never used.
  void unknownPositionUsesTheDefault() {
    const auto stored = std::optional(windowRectBytes({10, 10, 810, 610}));
    QVERIFY(CQuiltraDlg::placement(stored, {1024, 768}, true) == (WindowRect{10, 10, 810, 610}));
    QVERIFY(CQuiltraDlg::placement(stored, {1024, 768}, false) == defaultPlacement({1024, 768}));
  }

  void sizeRule() {
    QVERIFY(sizeRuleTarget({700, 400}) == std::optional(PixelSize{560, 400}));
    QVERIFY(sizeRuleTarget({500, 400}) == std::optional(PixelSize{500, 357}));
    QVERIFY(sizeRuleTarget({714, 510}) == std::nullopt);
    QVERIFY(sizeRuleTarget({290, 207}) == std::optional(PixelSize{300, 214}));
    QVERIFY(sizeRuleTarget({300, 214}) == std::nullopt);
  }

  void maximisedWindowFitsTheWorkArea() {
    const WindowRect work{0, 0, 1280, 994};
    QVERIFY(maximisedFit({1280, 994}, work) == std::nullopt);
    QVERIFY(maximisedFit({1400, 1000}, work) == std::optional(WindowRect{0, 0, 1280, 914}));
  }

  void sizingRuleKeepsSevenToFive() {
    QVERIFY(sizingRule({0, 0, 840, 500}, SizingEdge::Right) == (WindowRect{0, 0, 840, 600}));
    QVERIFY(sizingRule({100, 0, 800, 600}, SizingEdge::Bottom) == (WindowRect{30, 0, 870, 600}));
    QVERIFY(sizingRule({0, 0, 840, 500}, SizingEdge::BottomRight) == (WindowRect{0, 0, 770, 550}));
    QVERIFY(sizingRule({0, 0, 0, 500}, SizingEdge::Right) == (WindowRect{0, 0, 0, 500}));
  }

  void grabPointAndStoredSizes() {
    QVERIFY(grabPoint(50, 1) == (PixelSize{50, 3}));
    QVERIFY(grabPoint(50, 4) == (PixelSize{50, 4}));
    QVERIFY(!worthStoring({0, 0, 100, 500}));
    QVERIFY(worthStoring({0, 0, 101, 101}));
  }
};

SKYLACER_APP_TEST(WindowGeometryTest);

#include "window_geometry_test.moc"
