// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Checks, before any work, that the files a run will write can be written and do not overwrite
// the files it reads or each other. Files are compared by what they are on disk (device and
// inode of the file, or of its folder and its name when it does not exist yet), so another
// spelling, a link or a hard link of the same file is the same file.

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace skylacer::output {

struct PlannedOutput {
  PlannedOutput(std::filesystem::path file, std::string writer,
                std::optional<std::string> series = std::nullopt, bool shared = false)
      : path(std::move(file)),
        role(std::move(writer)),
        seriesSuffix(std::move(series)),
        sharedTemplateCopy(shared) {}

  std::filesystem::path path;  // a file, or the first of a numbered series
  std::string role;            // what writes it, for the message: "-o", "the page pano.html"
  // A numbered series "PREFIX<n>SUFFIX" with n from 1 (the Flash viewer's slices): `path` holds
  // PREFIX and `seriesSuffix` SUFFIX; every such name in the folder belongs to it.
  std::optional<std::string> seriesSuffix;
  // A file copied unchanged from the program's templates, which every page of the folder
  // writes alike (the viewer's own files): two pages may share it; it still never replaces an
  // input.
  bool sharedTemplateCopy = false;
};

// The first reason the outputs cannot be written as planned, or nothing:
// "folder out/ does not exist", "cannot write a.jpg (-o): it is the input a.jpg",
// "cannot write p.jpg (--cameras): -o writes it too". Outputs that are devices or pipes
// (/dev/stdout, /dev/null) may be named more than once.
std::optional<std::string> findOutputCollision(std::span<const std::filesystem::path> inputs,
                                               std::span<const PlannedOutput> outputs);

}  // namespace skylacer::output
