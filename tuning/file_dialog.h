// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Open and save dialogs of the desktop program, from filter texts of the form
//   "description|patterns|description|patterns||"
// where the patterns of one filter are separated by ";" or "," ("*.jpg;*.jpeg,*.jpe"). Filters
// are numbered from 1, in the order of the text.
//
// The open dialogs are the desktop's own where Qt's platform theme offers one (the portal's
// dialog through the xdgdesktopportal theme or in a sandbox, GTK's, KDE's) and Qt's own
// elsewhere (no theme, the offscreen platform of the tests). Their patterns are written with both
// cases of every letter, since the desktop's dialogs match patterns by case and cameras write
// ".JPG". The save dialogs are always Qt's own, for what they do while the user types: a name
// typed without an extension gets the one of the selected filter, or the default extension when
// that filter has none of its own ("All Files"); a typed extension that a filter lists chooses
// that filter (the file type follows the name); a name with any other extension gets the
// selected filter's extension appended. Qt's own dialogs match extensions without regard to
// case.

#include <QCoreApplication>
#include <QFileDialog>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace skylacer::tuning {

struct FileFilter {
  std::string description;
  std::vector<std::string> patterns;

  friend bool operator==(const FileFilter&, const FileFilter&) = default;
};

// The filters of a filter text, up to its first empty description. Blanks around patterns are
// dropped, and so are empty patterns.
std::vector<FileFilter> parseFilterText(std::string_view text);

// How the letters of a name filter's patterns are written: as given, or each as a bracket of its
// two cases ("*.jpg" as "*.[jJ][pP][gG]").
enum class PatternCase { AsGiven, Either };

// The filter as Qt reads a name filter, "description (pattern pattern)"; "*.*" becomes "*", which
// also takes names without a dot.
QString nameFilterOf(const FileFilter& filter, PatternCase letters = PatternCase::AsGiven);

// The extension (without the dot) that a name typed without one gets under `filter`: that of its
// first pattern when it is "*.ext" with a plain extension, else `defaultExtension`. Empty when
// `defaultExtension` is empty: a dialog without a default extension adds none.
std::string extensionFor(const FileFilter& filter, std::string_view defaultExtension);

// The name a save dialog writes to and the filter it reports for the name typed (`fileName`,
// with or without folders): the selected filter when it lists the name's extension, else the
// first filter that does ("*.*" lists none); a name no filter lists keeps the selected filter
// and gets its extension (extensionFor) appended.
struct SaveTarget {
  std::string fileName;
  int filterIndex = 1;
};
SaveTarget saveTarget(std::string_view fileName, std::span<const FileFilter> filters,
                      int selectedIndex, std::string_view defaultExtension);

enum class FileDialogMode {
  Open,      // one file
  OpenMany,  // any number of existing files
  Save,
};

struct FileDialogRequest {
  FileDialogMode mode = FileDialogMode::Open;
  std::string filterText;
  int filterIndex = 1;           // the filter selected at start, from 1
  std::string defaultExtension;  // with or without its dot; empty: none
  // The folder shown at start; a path that is not a folder shows the folder that holds it.
  std::filesystem::path initialFolder;
  std::string initialName;   // the file name offered at start
  bool mustExist = false;    // Open: the file must exist; Save: its folder must exist
  bool askOverwrite = true;  // Save: ask before replacing an existing file
};

struct FileDialogChoice {
  std::vector<std::filesystem::path> files;  // absolute; exactly one unless OpenMany
  int filterIndex = 1;
};

class FileDialog : public QFileDialog {
  Q_DECLARE_TR_FUNCTIONS(FileDialog)

 public:
  explicit FileDialog(const FileDialogRequest& request, QWidget* parent = nullptr);

  // The selected filter, from 1 (1 also when the text has no filters).
  int selectedFilterIndex() const;
  // The files and filter chosen; meaningful once the dialog was accepted.
  FileDialogChoice choice() const;

  // Refuses, with a message, a save into a folder that does not exist when the folder must exist.
  void accept() override;

 private:
  void useFilterExtension();
  // Save: the name and filter as saveTarget decides them for what was typed.
  void followTypedExtension();

  std::vector<FileFilter> filters_;
  std::string defaultExtension_;
  FileDialogMode mode_;
  bool mustExist_;
};

// Runs the dialog modally over `parent`; nothing when the user cancels.
std::optional<FileDialogChoice> runFileDialog(const FileDialogRequest& request, QWidget* parent);

}  // namespace skylacer::tuning
