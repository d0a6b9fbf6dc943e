// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// An independent reader of movie files for the tests: it walks the atoms of a file and of the
// atom containers inside it and checks every size and child count on the way, so that a test
// can look at any field by path. It shares no code with the writer.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace skylacer::test {

std::uint16_t be16(std::span<const std::uint8_t> bytes, std::size_t offset);
std::uint32_t be32(std::span<const std::uint8_t> bytes, std::size_t offset);
float beFloat(std::span<const std::uint8_t> bytes, std::size_t offset);
std::string fourcc(std::span<const std::uint8_t> bytes, std::size_t offset);

// One atom of the file format. Containers (moov, trak, mdia, minf, stbl, dinf, edts, tref, udta,
// gmhd) have children; every other atom keeps its payload (the bytes after the 8-byte header).
struct FileAtom {
  std::string type;
  std::uint64_t offset = 0;  // in the file
  std::uint64_t size = 0;    // header included
  std::vector<std::uint8_t> payload;
  std::vector<FileAtom> children;

  // The n-th child of `type`; throws std::runtime_error when there is none.
  const FileAtom& child(const std::string& childType, int n = 0) const;
  // A descendant by a path such as "mdia/minf/stbl/stsd".
  const FileAtom& at(const std::string& path) const;
  int count(const std::string& childType) const;
  std::vector<std::string> childTypes() const;
};

// The top-level atoms of a file, as the children of a root of type "file". Throws
// std::runtime_error when an atom's size does not fit its parent.
FileAtom readMovieFile(const std::filesystem::path& path);

// One atom of an atom container.
struct ContainerAtom {
  std::string type;
  std::uint32_t id = 0;
  std::uint32_t size = 0;
  std::vector<std::uint8_t> data;  // leaves only
  std::vector<ContainerAtom> children;

  std::vector<const ContainerAtom*> all(const std::string& childType) const;
  const ContainerAtom& child(const std::string& childType, int n = 0) const;
};

// A serialised atom container: checks the 12-byte header, the 'sean' root with id 1, each
// atom's size against its data or children and each declared child count. Returns the root.
ContainerAtom readAtomContainer(std::span<const std::uint8_t> bytes);

// Sample tables of one track, expanded.
struct TrackSamples {
  std::vector<std::uint64_t> offsets;
  std::vector<std::uint32_t> sizes;
  std::vector<std::uint32_t> durations;
};
TrackSamples samplesOf(const FileAtom& trak);

// The bytes of a file range.
std::vector<std::uint8_t> readRange(const std::filesystem::path& path, std::uint64_t offset,
                                    std::uint32_t size);

}  // namespace skylacer::test
