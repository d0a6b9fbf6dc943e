// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Texts the dialogs of the tuning layer show in message boxes, word for word. "\r\n" breaks a
// line (the message boxes show it as one line break). The texts are the English source texts of
// the translations, shown through `dialogText` in the user's language.

#include <QCoreApplication>
#include <string>

namespace skylacer::tuning {

inline constexpr char kDialogTextsContext[] = "DialogTexts";

// `source`, one of the texts below, in the user's language (UTF-8).
inline std::string dialogText(const char* source) {
  return QCoreApplication::translate(kDialogTextsContext, source).toStdString();
}

// Integer fields.
inline constexpr char kEnterInteger[] =
    QT_TRANSLATE_NOOP("DialogTexts", "Please enter an integer.");
// "%1" and "%2" are the smallest and the largest value the field accepts.
inline constexpr char kEnterIntegerBetween[] =
    QT_TRANSLATE_NOOP("DialogTexts", "Please enter an integer between %1 and %2.");

// Tuner.
inline constexpr char kRemoveProfileQuestion[] = QT_TRANSLATE_NOOP(
    "DialogTexts", "You are going to delete the current parameter set.\r\n\r\nAre you sure?");
inline constexpr char kNoProfilesLeft[] =
    QT_TRANSLATE_NOOP("DialogTexts", "No parameters detected. Setting default parameters.");
// A new parameter set needs a name: an unnamed one would end the stored list.
inline constexpr char kProfileNameMissing[] =
    QT_TRANSLATE_NOOP("DialogTexts", "Please enter a name for the new parameter set.");
// The store refused the parameter sets (a read-only or damaged settings file).
inline constexpr char kProfilesNotSaved[] = QT_TRANSLATE_NOOP(
    "DialogTexts",
    "Failed to save the parameter sets.\r\n\r\nPlease check that the settings file can be "
    "written.");
// The .reg file could not be written; "%1" is its path.
inline constexpr char kExportFailed[] = QT_TRANSLATE_NOOP(
    "DialogTexts",
    "Failed to save the file:\r\n%1\r\n\r\nPlease check that you have the appropriate "
    "permissions to save the file.");

// Stored parameter sets held values outside the fields' limits; the list of them follows.
inline constexpr char kProfilesOutsideLimits[] = QT_TRANSLATE_NOOP(
    "DialogTexts",
    "Some stored parameter sets hold values outside the limits of their fields. They are shown "
    "within the limits, and stored so when you press OK or Apply:\r\n\r\n");

// Save dialog: the "Save Options:" row could not be added.
inline constexpr char kSubclassBadParent[] =
    QT_TRANSLATE_NOOP("DialogTexts", "Failed to subclass dialog. Bad parent.");
inline constexpr char kSubclassNoComboBox[] =
    QT_TRANSLATE_NOOP("DialogTexts", "Failed to subclass dialog. Can not get combobox position.");
inline constexpr char kSubclassNoStatic[] =
    QT_TRANSLATE_NOOP("DialogTexts", "Failed to subclass dialog. Can not get static control.");

}  // namespace skylacer::tuning
