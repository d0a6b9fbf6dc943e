// SPDX-License-Identifier: GPL-3.0-or-later
#include "movwriter/toolbox/atom_container.h"

#include <gtest/gtest.h>

#include "tests/movwriter/toolbox_error_code.h"

namespace skylacer::toolbox {
namespace {

OSErr insertFailure(AtomContainer& container, AtomContainer::Atom parent, std::uint32_t id) {
  return test::toolboxErrorOf([&] { container.insertChild(parent, fourCC("leaf"), id, {}); });
}

TEST(AtomContainer, AssignsIdsOneAboveTheLargestSiblingOfTheSameType) {
  AtomContainer container;
  const auto parent = container.insertChild(AtomContainer::root, fourCC("prnt"), 1);
  EXPECT_EQ(container.id(container.insertChild(parent, fourCC("impn"), 0)), 1u);
  EXPECT_EQ(container.id(container.insertChild(parent, fourCC("impn"), 0)), 2u);
  EXPECT_EQ(container.id(container.insertChild(parent, fourCC("impn"), 7)), 7u);
  EXPECT_EQ(container.id(container.insertChild(parent, fourCC("impn"), 0)), 8u);
  EXPECT_EQ(container.id(container.insertChild(parent, fourCC("vrsg"), 0)), 1u) << "other type";
  const auto other = container.insertChild(AtomContainer::root, fourCC("prnt"), 2);
  EXPECT_EQ(container.id(container.insertChild(other, fourCC("impn"), 0)), 1u) << "other parent";
  EXPECT_EQ(container.type(other), fourCC("prnt"));
}

TEST(AtomContainer, RefusesTakenIdsAndChildrenOfDataAtoms) {
  AtomContainer container;
  const std::uint8_t data[2] = {1, 2};
  const auto leaf = container.insertChild(AtomContainer::root, fourCC("leaf"), 3, data);
  EXPECT_EQ(insertFailure(container, AtomContainer::root, 3), paramErr) << "id taken";
  EXPECT_EQ(insertFailure(container, AtomContainer::root, 4), noErr);
  EXPECT_EQ(insertFailure(container, leaf, 1), paramErr) << "a data atom has no children";
}

TEST(AtomContainer, SerialisesHeaderRootAndAtomsBigEndian) {
  AtomContainer container;
  const auto parent = container.insertChild(AtomContainer::root, fourCC("prnt"), 1);
  const std::uint8_t data[3] = {0xAA, 0xBB, 0xCC};
  container.insertChild(parent, fourCC("leaf"), 0x01020304, data);
  const std::vector<std::uint8_t> expected = {
      0, 0, 0, 0,  0,   0,   0,   0,   0,    0,    0,   0,  // container header
      0, 0, 0, 63, 's', 'e', 'a', 'n', 0,    0,    0,   1,  // root: size 20 + 43, id 1
      0, 0, 0, 1,  0,   0,   0,   0,                        // reserved, 1 child, reserved
      0, 0, 0, 43, 'p', 'r', 'n', 't', 0,    0,    0,   1,  // parent: size 20 + 23
      0, 0, 0, 1,  0,   0,   0,   0,                        // 1 child
      0, 0, 0, 23, 'l', 'e', 'a', 'f', 1,    2,    3,   4,  // leaf: size 20 + 3
      0, 0, 0, 0,  0,   0,   0,   0,   0xAA, 0xBB, 0xCC};   // no children, data
  EXPECT_EQ(container.bytes(), expected);
}

}  // namespace
}  // namespace skylacer::toolbox
