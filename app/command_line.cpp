// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/command_line.h"

#include <QCoreApplication>
#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string_view>

#include "output/messages.h"
#include "platform/imaging/picture_file.h"
#include "platform/imaging/picture_header.h"
#include "resources/version.h"

namespace skylacer::app {

namespace {

constexpr char kUsage[] = QT_TRANSLATE_NOOP(
    "CommandLine",
    "Usage: panorama [PROJECT]\n"
    "       panorama PHOTO...\n"
    "Stitches overlapping photos into a panorama and publishes it as a picture, a web page,\n"
    "a QuickTime VR movie or a viewer program.\n"
    "\n"
    "PROJECT is a project file (.skl) to open. When every argument is a JPEG or PNG photo,\n"
    "a new project starts with these photos.\n"
    "\n"
    "  -h, --help     show this help and end\n"
    "      --version  show the version and end\n");

bool isPhoto(const std::string& path) {
  std::vector<std::uint8_t> start;
  std::uint64_t size = 0;
  // The signatures lie in the first 8 bytes.
  if (imaging::readFileStart(path, 8, start, size) != imaging::ImagingStatus::Ok) return false;
  return imaging::encodedFormatOf(start).has_value();
}

}  // namespace

InformationRequest informationRequest(int argc, const char* const* argv) {
  if (argc < 2) return InformationRequest::None;
  const std::string_view first = argv[1];
  if (first == "--help" || first == "-h") return InformationRequest::Help;
  if (first == "--version") return InformationRequest::Version;
  return InformationRequest::None;
}

bool writeInformation(InformationRequest request, std::FILE* out) {
  std::string text;
  if (request == InformationRequest::Help)
    text = QCoreApplication::translate("CommandLine", kUsage).toStdString();
  if (request == InformationRequest::Version)
    text = std::string("panorama (Skylacer 3) ") + kVersion + "\n";
  errno = 0;
  const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size() &&
                       std::fflush(out) == 0 && !std::ferror(out);
  if (!written)
    std::fprintf(stderr, "panorama: %s\n",
                 QCoreApplication::translate("CommandLine", "cannot write to standard output: %1")
                     .arg(QString::fromStdString(output::reasonText(errno != 0 ? errno : EIO)))
                     .toLocal8Bit()
                     .constData());
  return written;
}

StartFiles startFiles(const QStringList& arguments) {
  const QStringList given = arguments.mid(1);
  StartFiles files;
  for (const QString& argument : given) files.photos.push_back(argument.toStdString());
  if (!files.photos.empty() && std::all_of(files.photos.begin(), files.photos.end(), isPhoto)) {
    // A project saved later names them from wherever it lies.
    for (std::string& photo : files.photos) photo = std::filesystem::absolute(photo).string();
    return files;
  }
  files.photos.clear();
  QString project = given.join(QLatin1Char(' '));
  project.remove(QLatin1Char('"'));
  files.project = project.toStdString();
  return files;
}

}  // namespace skylacer::app
