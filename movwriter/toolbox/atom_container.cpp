// SPDX-License-Identifier: GPL-3.0-or-later
#include "movwriter/toolbox/atom_container.h"

#include <algorithm>

#include "movwriter/toolbox/movie_error.h"

namespace skylacer::toolbox {

namespace {
constexpr std::size_t kContainerHeaderBytes = 12;
constexpr std::size_t kMaxChildren = 0xFFFF;
}  // namespace

AtomContainer::AtomContainer() {
  nodes_.push_back(Node{fourCC("sean"), 1, {}, {}});
}

AtomContainer::Atom AtomContainer::insertChild(Atom parent, FourCC type, std::uint32_t id,
                                               std::span<const std::uint8_t> data) {
  Node& parentNode = nodes_.at(parent.index);
  if (!parentNode.data.empty())
    throw MovieToolboxError(paramErr, "an atom holding data cannot have children");
  if (parentNode.children.size() >= kMaxChildren)
    throw MovieToolboxError(paramErr, "an atom cannot have more than 65535 children");

  std::uint32_t largestId = 0;
  for (std::size_t child : parentNode.children) {
    const Node& sibling = nodes_[child];
    if (sibling.type != type) continue;
    if (sibling.id == id) throw MovieToolboxError(paramErr, "an atom id is taken by a sibling");
    largestId = std::max(largestId, sibling.id);
  }
  if (id == 0) {
    if (largestId == UINT32_MAX) throw MovieToolboxError(paramErr, "no atom id is left");
    id = largestId + 1;
  }

  const std::size_t index = nodes_.size();
  nodes_.push_back(Node{type, id, {}, std::vector<std::uint8_t>(data.begin(), data.end())});
  nodes_[parent.index].children.push_back(index);
  return Atom{index};
}

std::vector<std::uint8_t> AtomContainer::bytes() const {
  ByteWriter out;
  out.zeros(kContainerHeaderBytes);
  write(out, root.index);
  return out.take();
}

void AtomContainer::write(ByteWriter& out, std::size_t index) const {
  const Node& node = nodes_[index];
  const std::size_t start = out.beginAtom(node.type);
  out.u32(node.id);
  out.u16(0);
  out.u16(std::uint16_t(node.children.size()));
  out.u32(0);
  if (node.children.empty()) out.append(node.data);
  for (std::size_t child : node.children) write(out, child);
  out.endAtom(start);
}

}  // namespace skylacer::toolbox
