// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// An atom container: a tree of typed, numbered atoms, each holding either child atoms or
// data, stored in samples and sample descriptions of the movie file format. Serialised as a
// 12-byte header (10 reserved bytes, a 16-bit lock count, all 0) followed by the root atom of
// type 'sean', id 1, whose children are the container's top-level atoms. Every atom has a
// 20-byte header: size (whole atom with descendants), type, id, reserved 16 bits, child count
// (0 for a leaf), reserved 32 bits; a leaf's data follows its header.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "movwriter/toolbox/big_endian.h"

namespace skylacer::toolbox {

class AtomContainer {
 public:
  // Names one atom of this container; valid for the container's life.
  struct Atom {
    std::size_t index = 0;
  };
  // The parent of the top-level atoms.
  static constexpr Atom root{0};

  AtomContainer();

  // Appends a child of `type` to `parent` (after its existing children). An id of 0 assigns one
  // more than the largest id among the parent's children of that type (1 for the first). Throws
  // MovieToolboxError (paramErr) when the parent holds data, when the id is already taken by a
  // sibling of the same type, or when the parent would get more than 65535 children.
  Atom insertChild(Atom parent, FourCC type, std::uint32_t id,
                   std::span<const std::uint8_t> data = {});

  FourCC type(Atom atom) const { return nodes_.at(atom.index).type; }
  std::uint32_t id(Atom atom) const { return nodes_.at(atom.index).id; }

  // The serialised container: header and 'sean' root.
  std::vector<std::uint8_t> bytes() const;

 private:
  struct Node {
    FourCC type = 0;
    std::uint32_t id = 0;
    std::vector<std::size_t> children;
    std::vector<std::uint8_t> data;
  };

  void write(ByteWriter& out, std::size_t index) const;

  std::vector<Node> nodes_;
};

}  // namespace skylacer::toolbox
