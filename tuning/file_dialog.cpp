// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/file_dialog.h"

#include <QFileInfo>
#include <QMessageBox>
#include <algorithm>
#include <cctype>
#include <system_error>

namespace skylacer::tuning {

namespace {

std::string_view trimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// The text up to the next '|' (or the end); `text` keeps what follows the '|'.
std::string_view nextField(std::string_view& text) {
  const std::size_t bar = text.find('|');
  const std::string_view field = text.substr(0, bar);
  text = bar == std::string_view::npos ? std::string_view() : text.substr(bar + 1);
  return field;
}

std::vector<std::string> splitPatterns(std::string_view patterns) {
  std::vector<std::string> result;
  while (!patterns.empty()) {
    const std::size_t separator = patterns.find_first_of(";,");
    const std::string_view pattern = trimBlanks(patterns.substr(0, separator));
    if (!pattern.empty()) result.emplace_back(pattern);
    if (separator == std::string_view::npos) break;
    patterns.remove_prefix(separator + 1);
  }
  return result;
}

QString fromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void openInitialFolder(QFileDialog& dialog, const std::filesystem::path& initial) {
  if (initial.empty()) return;
  std::error_code error;
  if (std::filesystem::is_directory(initial, error)) {
    dialog.setDirectory(QString::fromStdString(initial.string()));
  } else if (std::filesystem::is_directory(initial.parent_path(), error)) {
    dialog.setDirectory(QString::fromStdString(initial.parent_path().string()));
  }
}

QFileDialog::FileMode fileModeOf(const FileDialogRequest& request) {
  switch (request.mode) {
    case FileDialogMode::Open:
      return request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile;
    case FileDialogMode::OpenMany:
      return QFileDialog::ExistingFiles;
    case FileDialogMode::Save:
      return QFileDialog::AnyFile;
  }
  return QFileDialog::AnyFile;
}

bool equalIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

bool listsExtension(const FileFilter& filter, std::string_view extension) {
  return std::any_of(filter.patterns.begin(), filter.patterns.end(), [&](const std::string& p) {
    return p.starts_with("*.") && p != "*.*" && equalIgnoringCase(p.substr(2), extension);
  });
}

// Outside brackets, every ASCII letter becomes the bracket of its two cases.
std::string eitherCase(std::string_view pattern) {
  std::string result;
  bool inBracket = false;
  for (const char c : pattern) {
    const auto byte = static_cast<unsigned char>(c);
    if (!inBracket && std::isalpha(byte) && byte < 0x80) {
      result += '[';
      result += static_cast<char>(std::tolower(byte));
      result += static_cast<char>(std::toupper(byte));
      result += ']';
      continue;
    }
    if (c == '[') inBracket = true;
    if (c == ']') inBracket = false;
    result += c;
  }
  return result;
}

}  // namespace

SaveTarget saveTarget(std::string_view fileName, std::span<const FileFilter> filters,
                      int selectedIndex, std::string_view defaultExtension) {
  const std::size_t nameStart = fileName.find_last_of('/') + 1;
  const std::size_t dot = fileName.find_last_of('.');
  const bool hasExtension = dot != std::string_view::npos && dot > nameStart;
  const std::string_view extension = hasExtension ? fileName.substr(dot + 1) : std::string_view();
  const auto selected = static_cast<std::size_t>(selectedIndex - 1);
  if (!extension.empty()) {
    if (selected < filters.size() && listsExtension(filters[selected], extension))
      return {std::string(fileName), selectedIndex};
    for (std::size_t i = 0; i < filters.size(); ++i)
      if (listsExtension(filters[i], extension))
        return {std::string(fileName), static_cast<int>(i) + 1};
  }
  const std::string appended = selected < filters.size()
                                   ? extensionFor(filters[selected], defaultExtension)
                                   : extensionFor(FileFilter{}, defaultExtension);
  std::string target(fileName);
  if (!appended.empty()) target += (target.ends_with('.') ? "" : ".") + appended;
  return {target, selectedIndex};
}

std::vector<FileFilter> parseFilterText(std::string_view text) {
  std::vector<FileFilter> filters;
  while (!text.empty()) {
    const std::string_view description = nextField(text);
    if (description.empty()) break;
    filters.push_back({std::string(description), splitPatterns(nextField(text))});
  }
  return filters;
}

QString nameFilterOf(const FileFilter& filter, PatternCase letters) {
  QStringList patterns;
  for (const std::string& pattern : filter.patterns) {
    patterns << (pattern == "*.*"                  ? QStringLiteral("*")
                 : letters == PatternCase::AsGiven ? fromUtf8(pattern)
                                                   : fromUtf8(eitherCase(pattern)));
  }
  if (patterns.isEmpty()) patterns << QStringLiteral("*");
  return fromUtf8(filter.description) + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
         QLatin1Char(')');
}

std::string extensionFor(const FileFilter& filter, std::string_view defaultExtension) {
  if (defaultExtension.empty()) return {};
  if (!filter.patterns.empty()) {
    const std::string_view first = filter.patterns.front();
    if (first.size() > 2 && first.starts_with("*.") &&
        first.find_first_of("*?[]. ", 2) == std::string_view::npos) {
      return std::string(first.substr(2));
    }
  }
  if (defaultExtension.front() == '.') defaultExtension.remove_prefix(1);
  return std::string(defaultExtension);
}

FileDialog::FileDialog(const FileDialogRequest& request, QWidget* parent)
    : QFileDialog(parent),
      filters_(parseFilterText(request.filterText)),
      defaultExtension_(request.defaultExtension),
      mode_(request.mode),
      mustExist_(request.mustExist) {
  // Only an open dialog may be the desktop's: see the header.
  const bool saving = mode_ == FileDialogMode::Save;
  setOption(QFileDialog::DontUseNativeDialog, saving);
  // The combo box shows the descriptions alone; the patterns stay in the name filters.
  setOption(QFileDialog::HideNameFilterDetails);
  setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  setFileMode(fileModeOf(request));
  setOption(QFileDialog::DontConfirmOverwrite, !request.askOverwrite);
  // Extensions match without regard to case: the name filters are case-insensitive unless this
  // flag is given.
  setFilter(filter() & ~QDir::CaseSensitive);

  QStringList nameFilters;
  for (const FileFilter& filter : filters_)
    nameFilters << nameFilterOf(filter, saving ? PatternCase::AsGiven : PatternCase::Either);
  if (!nameFilters.isEmpty()) {
    setNameFilters(nameFilters);
    const int index = request.filterIndex >= 1 && request.filterIndex <= nameFilters.size()
                          ? request.filterIndex
                          : 1;
    selectNameFilter(nameFilters[index - 1]);
  }
  useFilterExtension();

  openInitialFolder(*this, request.initialFolder);
  if (!request.initialName.empty()) selectFile(QString::fromStdString(request.initialName));
}

int FileDialog::selectedFilterIndex() const {
  const QString selected = selectedNameFilter();
  for (std::size_t i = 0; i < filters_.size(); ++i) {
    // The combo box shows the description alone (HideNameFilterDetails).
    if (selected == nameFilters().value(static_cast<qsizetype>(i)) ||
        selected == fromUtf8(filters_[i].description).trimmed()) {
      return static_cast<int>(i) + 1;
    }
  }
  return 1;
}

void FileDialog::useFilterExtension() {
  const std::size_t index = static_cast<std::size_t>(selectedFilterIndex() - 1);
  const std::string extension = index < filters_.size()
                                    ? extensionFor(filters_[index], defaultExtension_)
                                    : extensionFor(FileFilter{}, defaultExtension_);
  setDefaultSuffix(QString::fromStdString(extension));
}

void FileDialog::followTypedExtension() {
  const QStringList files = selectedFiles();
  if (files.isEmpty() || QFileInfo(files.front()).isDir()) return;
  const SaveTarget target =
      saveTarget(files.front().toStdString(), filters_, selectedFilterIndex(), defaultExtension_);
  // The filter first: choosing it rewrites the typed name, which is then set as decided.
  if (target.filterIndex != selectedFilterIndex())
    selectNameFilter(nameFilters().at(target.filterIndex - 1));
  selectFile(QString::fromStdString(target.fileName));
}

FileDialogChoice FileDialog::choice() const {
  FileDialogChoice result;
  for (const QString& file : selectedFiles()) result.files.emplace_back(file.toStdString());
  result.filterIndex = selectedFilterIndex();
  return result;
}

void FileDialog::accept() {
  // The filter may have changed since the start.
  useFilterExtension();
  if (mode_ == FileDialogMode::Save) followTypedExtension();
  if (mode_ == FileDialogMode::Save && mustExist_) {
    const QStringList files = selectedFiles();
    if (!files.isEmpty()) {
      const QFileInfo file(files.front());
      if (!file.isDir() && !file.absoluteDir().exists()) {
        QMessageBox::warning(this, windowTitle(),
                             tr("%1\nThe folder does not exist.\nPlease check the "
                                "path and try again.")
                                 .arg(file.absolutePath()));
        return;
      }
    }
  }
  QFileDialog::accept();
}

std::optional<FileDialogChoice> runFileDialog(const FileDialogRequest& request, QWidget* parent) {
  FileDialog dialog(request, parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.choice();
}

}  // namespace skylacer::tuning
