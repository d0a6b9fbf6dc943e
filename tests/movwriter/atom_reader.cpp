// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/movwriter/atom_reader.h"

#include <algorithm>
#include <bit>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>

namespace skylacer::test {

std::uint16_t be16(std::span<const std::uint8_t> bytes, std::size_t offset) {
  if (offset + 2 > bytes.size()) throw std::runtime_error("be16 past the end");
  return std::uint16_t(bytes[offset] << 8 | bytes[offset + 1]);
}

std::uint32_t be32(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return std::uint32_t(be16(bytes, offset)) << 16 | be16(bytes, offset + 2);
}

float beFloat(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return std::bit_cast<float>(be32(bytes, offset));
}

std::string fourcc(std::span<const std::uint8_t> bytes, std::size_t offset) {
  if (offset + 4 > bytes.size()) throw std::runtime_error("fourcc past the end");
  return std::string(bytes.begin() + offset, bytes.begin() + offset + 4);
}

namespace {

bool isContainer(const std::string& type) {
  static const std::set<std::string> containers = {"moov", "trak", "mdia", "minf", "stbl",
                                                   "dinf", "edts", "tref", "udta", "gmhd"};
  return containers.count(type) > 0;
}

void readChildren(std::span<const std::uint8_t> bytes, std::uint64_t base, FileAtom& parent) {
  std::size_t position = 0;
  while (position < bytes.size()) {
    if (bytes.size() - position < 8) throw std::runtime_error("trailing bytes in " + parent.type);
    FileAtom atom;
    atom.offset = base + position;
    atom.size = be32(bytes, position);
    atom.type = fourcc(bytes, position + 4);
    if (atom.size < 8 || atom.size > bytes.size() - position)
      throw std::runtime_error("atom " + atom.type + " does not fit in " + parent.type);
    const auto body = bytes.subspan(position + 8, atom.size - 8);
    if (isContainer(atom.type))
      readChildren(body, atom.offset + 8, atom);
    else
      atom.payload.assign(body.begin(), body.end());
    position += atom.size;
    parent.children.push_back(std::move(atom));
  }
}

ContainerAtom readContainerAtom(std::span<const std::uint8_t> bytes, std::size_t& position) {
  ContainerAtom atom;
  atom.size = be32(bytes, position);
  atom.type = fourcc(bytes, position + 4);
  atom.id = be32(bytes, position + 8);
  const std::uint16_t childCount = be16(bytes, position + 14);
  if (atom.size < 20 || atom.size > bytes.size() - position)
    throw std::runtime_error("container atom " + atom.type + " does not fit");
  const std::size_t end = position + atom.size;
  position += 20;
  if (childCount == 0) {
    atom.data.assign(bytes.begin() + position, bytes.begin() + end);
    position = end;
    return atom;
  }
  while (position < end) atom.children.push_back(readContainerAtom(bytes.first(end), position));
  if (atom.children.size() != childCount)
    throw std::runtime_error("child count of " + atom.type + " is wrong");
  return atom;
}

}  // namespace

const FileAtom& FileAtom::child(const std::string& childType, int n) const {
  for (const FileAtom& c : children)
    if (c.type == childType && n-- == 0) return c;
  throw std::runtime_error("no " + childType + " in " + type);
}

const FileAtom& FileAtom::at(const std::string& path) const {
  const FileAtom* atom = this;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t slash = std::min(path.find('/', start), path.size());
    atom = &atom->child(path.substr(start, slash - start));
    start = slash + 1;
  }
  return *atom;
}

int FileAtom::count(const std::string& childType) const {
  return int(std::count_if(children.begin(), children.end(),
                           [&](const FileAtom& c) { return c.type == childType; }));
}

std::vector<std::string> FileAtom::childTypes() const {
  std::vector<std::string> types;
  for (const FileAtom& c : children) types.push_back(c.type);
  return types;
}

FileAtom readMovieFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path.string());
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
  FileAtom root;
  root.type = "file";
  root.size = bytes.size();
  readChildren(bytes, 0, root);
  return root;
}

std::vector<const ContainerAtom*> ContainerAtom::all(const std::string& childType) const {
  std::vector<const ContainerAtom*> found;
  for (const ContainerAtom& c : children)
    if (c.type == childType) found.push_back(&c);
  return found;
}

const ContainerAtom& ContainerAtom::child(const std::string& childType, int n) const {
  const auto found = all(childType);
  if (n >= int(found.size())) throw std::runtime_error("no " + childType + " in " + type);
  return *found[n];
}

ContainerAtom readAtomContainer(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 12 ||
      std::any_of(bytes.begin(), bytes.begin() + 12, [](auto b) { return b != 0; }))
    throw std::runtime_error("bad atom container header");
  std::size_t position = 12;
  ContainerAtom root = readContainerAtom(bytes, position);
  if (position != bytes.size()) throw std::runtime_error("bytes after the root atom");
  if (root.type != "sean" || root.id != 1) throw std::runtime_error("root is not 'sean' id 1");
  return root;
}

TrackSamples samplesOf(const FileAtom& trak) {
  const FileAtom& stbl = trak.at("mdia/minf/stbl");
  const auto& stts = stbl.child("stts").payload;
  const auto& stsc = stbl.child("stsc").payload;
  const auto& stsz = stbl.child("stsz").payload;
  const auto& stco = stbl.child("stco").payload;
  TrackSamples samples;
  for (std::uint32_t i = 0; i < be32(stts, 4); ++i)
    samples.durations.insert(samples.durations.end(), be32(stts, 8 + 8 * i),
                             be32(stts, 12 + 8 * i));
  const std::uint32_t constantSize = be32(stsz, 4);
  const std::uint32_t count = be32(stsz, 8);
  for (std::uint32_t i = 0; i < count; ++i)
    samples.sizes.push_back(constantSize != 0 ? constantSize : be32(stsz, 12 + 4 * i));
  const std::uint32_t runs = be32(stsc, 4);
  const std::uint32_t chunks = be32(stco, 4);
  std::size_t sample = 0;
  for (std::uint32_t chunk = 1; chunk <= chunks; ++chunk) {
    std::uint32_t perChunk = 0;
    for (std::uint32_t r = 0; r < runs; ++r)
      if (be32(stsc, 8 + 12 * r) <= chunk) perChunk = be32(stsc, 12 + 12 * r);
    std::uint64_t offset = be32(stco, 8 + 4 * (chunk - 1));
    for (std::uint32_t k = 0; k < perChunk; ++k, ++sample) {
      samples.offsets.push_back(offset);
      offset += samples.sizes.at(sample);
    }
  }
  if (samples.offsets.size() != count || samples.durations.size() != count)
    throw std::runtime_error("sample tables disagree");
  return samples;
}

std::vector<std::uint8_t> readRange(const std::filesystem::path& path, std::uint64_t offset,
                                    std::uint32_t size) {
  std::ifstream in(path, std::ios::binary);
  in.seekg(std::streamoff(offset));
  std::vector<std::uint8_t> bytes(size);
  in.read(reinterpret_cast<char*>(bytes.data()), size);
  if (!in) throw std::runtime_error("cannot read the range");
  return bytes;
}

}  // namespace skylacer::test
