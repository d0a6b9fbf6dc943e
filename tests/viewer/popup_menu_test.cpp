// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/popup_menu.h"

#include <X11/keysym.h>
#include <gtest/gtest.h>

#include "viewer/commands.h"

namespace skylacer::viewer {
namespace {

using platform::DisplayMode;
using platform::RenderDevice;

const std::vector<RenderDevice> kDevices{{"llvmpipe (LLVM 15.0.6, 256 bits)", true, true},
                                         {"R&D card", false, false}};
const std::vector<DisplayMode> kModes{{1024, 768, 24}, {800, 600, 24}, {640, 480, 24}};

Point centre(Rect r) {
  return {r.x + r.width / 2, r.y + r.height / 2};
}

PopupMenuState windowed() {
  return {0, 2, false, true};
}

TEST(PopupMenu, ListsDevicesModesAndTheCommands) {
  const PopupMenu menu(kDevices, kModes);
  const auto& items = menu.items();
  ASSERT_EQ(items.size(), 5u);
  EXPECT_EQ(items[0].text, "Acceleration type");
  ASSERT_EQ(items[0].submenu.size(), 2u);
  EXPECT_EQ(items[0].submenu[1].text, "R&&D card");  // no mnemonic in a driver's name
  EXPECT_EQ(items[0].submenu[1].command, kFirstDeviceCommand + 1);
  EXPECT_EQ(items[1].text, "&Modes");
  ASSERT_EQ(items[1].submenu.size(), 3u);
  EXPECT_EQ(items[1].submenu[2].text, "640x480x24");
  EXPECT_EQ(items[1].submenu[2].command, kFirstModeCommand + 2);
  EXPECT_EQ(items[2].command, static_cast<int>(ViewerCommand::Fullscreen));
  EXPECT_EQ(items[3].command, static_cast<int>(ViewerCommand::About));
  EXPECT_EQ(items[4].command, static_cast<int>(ViewerCommand::Exit));
}

TEST(PopupMenu, HidesTheModesSubmenuWhenTheDisplayListsNone) {
  const PopupMenu menu(kDevices, {});
  ASSERT_EQ(menu.items().size(), 4u);
  for (const MenuItem& item : menu.items()) EXPECT_NE(item.text, "&Modes");
}

TEST(PopupMenu, OpensInsideTheViewAndChecksTheCurrentEntries) {
  PopupMenu menu(kDevices, kModes);
  menu.open({790, 390}, {800, 400}, {0, 1, true, true});
  ASSERT_TRUE(menu.isOpen());
  const Rect last = *menu.itemRect(0, 4);
  EXPECT_LE(last.x + last.width, 800);
  EXPECT_LE(last.y + last.height, 400);
  EXPECT_TRUE(menu.items()[0].submenu[0].checked);
  EXPECT_FALSE(menu.items()[0].submenu[1].checked);
  EXPECT_TRUE(menu.items()[1].submenu[1].checked);
  EXPECT_TRUE(menu.items()[2].checked);  // full screen
}

TEST(PopupMenu, TheMouseOpensSubmenusAndChoosesItems) {
  PopupMenu menu(kDevices, kModes);
  menu.open({20, 20}, {800, 400}, windowed());
  EXPECT_FALSE(menu.itemRect(1, 0));
  EXPECT_TRUE(menu.hover(centre(*menu.itemRect(0, 1))));  // over "Modes"
  EXPECT_EQ(menu.openSubmenu(), 1);
  const Rect mode = *menu.itemRect(1, 0);
  EXPECT_GE(mode.x, menu.itemRect(0, 1)->x + menu.itemRect(0, 1)->width - 4);  // to the right
  EXPECT_FALSE(menu.hover(centre(*menu.itemRect(0, 1))));                      // nothing changed
  EXPECT_TRUE(menu.hover(centre(mode)));
  EXPECT_EQ(menu.click(centre(mode)), kFirstModeCommand);
  EXPECT_FALSE(menu.isOpen());

  menu.open({20, 20}, {800, 400}, windowed());
  EXPECT_EQ(menu.click(centre(*menu.itemRect(0, 3))), static_cast<int>(ViewerCommand::About));
  menu.open({20, 20}, {800, 400}, windowed());
  EXPECT_FALSE(menu.click({700, 300}));  // outside: closes, chooses nothing
  EXPECT_FALSE(menu.isOpen());
}

TEST(PopupMenu, GreyedItemsCannotBeChosen) {
  PopupMenu menu(kDevices, kModes);
  menu.open({20, 20}, {800, 400}, {0, 2, false, false});
  EXPECT_FALSE(menu.click(centre(*menu.itemRect(0, 2))));  // full screen greyed
  EXPECT_TRUE(menu.isOpen());
  menu.disableDevice(1);
  menu.hover(centre(*menu.itemRect(0, 0)));
  EXPECT_FALSE(menu.click(centre(*menu.itemRect(1, 1))));
  EXPECT_EQ(menu.click(centre(*menu.itemRect(1, 0))), kFirstDeviceCommand);
}

TEST(PopupMenu, KeysMoveOpenAndChoose) {
  PopupMenu menu(kDevices, kModes);
  menu.open({20, 20}, {800, 400}, windowed());
  menu.key(XK_Down);   // devices
  menu.key(XK_Down);   // modes
  menu.key(XK_Right);  // into the modes, first one
  EXPECT_EQ(menu.openSubmenu(), 1);
  menu.key(XK_Down);
  EXPECT_EQ(menu.key(XK_Return), kFirstModeCommand + 1);
  menu.open({20, 20}, {800, 400}, windowed());
  menu.key(XK_Up);  // wraps to Exit
  EXPECT_EQ(menu.key(XK_Return), static_cast<int>(ViewerCommand::Exit));
  menu.open({20, 20}, {800, 400}, windowed());
  menu.key(XK_Escape);
  EXPECT_FALSE(menu.isOpen());
}

TEST(PopupMenu, PaintsItsTextsAndTheOpenSubmenu) {
  PopupMenu menu(kDevices, kModes);
  Canvas closed({400, 300});
  menu.paint(closed);
  EXPECT_EQ(closed.pixel(30, 30).a, 0);  // nothing while closed
  menu.open({10, 10}, {400, 300}, windowed());
  menu.hover(centre(*menu.itemRect(0, 1)));
  Canvas canvas({400, 300});
  menu.paint(canvas);
  const Rect modes = *menu.itemRect(0, 1);
  const Rect firstMode = *menu.itemRect(1, 0);
  auto inked = [&canvas](Rect r, Colour ink) {
    int count = 0;
    for (int y = r.y; y < r.y + r.height; ++y)
      for (int x = r.x; x < r.x + r.width; ++x) count += canvas.pixel(x, y) == ink;
    return count;
  };
  EXPECT_GT(inked(modes, {255, 255, 255}), 20);  // highlighted: white text
  EXPECT_GT(inked(firstMode, {0, 0, 0}), 20);
}

}  // namespace
}  // namespace skylacer::viewer
