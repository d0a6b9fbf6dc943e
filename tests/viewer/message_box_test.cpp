// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/message_box.h"

#include <X11/keysym.h>
#include <gtest/gtest.h>

namespace skylacer::viewer {
namespace {

using Lines = std::vector<std::string>;

TEST(MessageBox, WrapsAtLineBreaksAndSpaces) {
  EXPECT_EQ(wrapLines("Failed to load panorama image.\r\n\r\nPlease check the path parameter.", 80),
            (Lines{"Failed to load panorama image.", "", "Please check the path parameter."}));
  EXPECT_EQ(wrapLines("one two three four", 9), (Lines{"one two", "three", "four"}));
  EXPECT_EQ(wrapLines("abcdefghij", 4), (Lines{"abcd", "efgh", "ij"}));
  EXPECT_EQ(wrapLines("Rendering has failed.\n\r\n", 80), (Lines{"Rendering has failed."}));
  EXPECT_EQ(wrapLines("", 80), Lines{});
}

TEST(MessageBox, SitsInTheMiddleAndClosesWithOkOrKeys) {
  MessageBox box("Oskelvind Panorama Viewer",
                 "Invalid command line options given.\nLegal options: -systemmemory, -emulation\n",
                 BoxIcon::Error);
  box.layout({800, 400});
  const Rect area = box.area();
  EXPECT_NEAR(area.x + area.width / 2, 400, 1);
  EXPECT_NEAR(area.y + area.height / 2, 200, 1);
  ASSERT_EQ(box.lines().size(), 2u);
  const Rect ok = box.okButton();
  EXPECT_TRUE(area.contains({ok.x, ok.y}));
  box.click({area.x + 2, area.y + 2});
  EXPECT_FALSE(box.closed());
  box.key(XK_a);
  EXPECT_FALSE(box.closed());
  box.click({ok.x + 3, ok.y + 3});
  EXPECT_TRUE(box.closed());
  for (const unsigned key : {XK_Return, XK_Escape, XK_space}) {
    MessageBox other("About", "x", BoxIcon::App);
    other.key(key);
    EXPECT_TRUE(other.closed());
  }
}

TEST(MessageBox, LongTextsWrapToTheView) {
  const std::string text(300, 'x');
  MessageBox box("t", text, BoxIcon::None);
  box.layout({400, 300});
  EXPECT_LE(box.area().width, 400);
  EXPECT_GT(box.lines().size(), 4u);
  Canvas canvas({400, 300});
  box.paint(canvas);
  EXPECT_EQ(canvas.pixel(box.area().x + 1, box.area().y + 1), (Colour{48, 96, 176}));  // title bar
  EXPECT_EQ(canvas.pixel(0, 0).a, 0);  // outside stays clear
}

}  // namespace
}  // namespace skylacer::viewer
