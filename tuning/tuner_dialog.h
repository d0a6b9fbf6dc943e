// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// "Oskelvind Skylacer Tuner": the modal dialog in which the user manages the parameter profiles
// and edits one at a time on the pages "General", "Lens" and "Advanced". A thin view over
// TunerModel: the profile area (name list, description, New, Remove, Export), the pages, and
// Help, OK, Cancel and Apply (enabled while something is modified).

#include <QCoreApplication>
#include <QDialog>
#include <filesystem>
#include <memory>

#include "platform/registry/settings_store.h"
#include "tuning/tuner_model.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace skylacer::tuning {

class CAdvancedPage;
class CFocalLengthPage;
class CGeneralPage;
class IntegerFieldReader;
class MessageBoxes;

class CMTuneDlg : public QDialog {
  Q_DECLARE_TR_FUNCTIONS(CMTuneDlg)

 public:
  // Edits the profiles of `userStore`, starting with profile `current`. The store and the
  // message boxes are owned by the caller and outlive the dialog. `helpFolder` holds the help
  // pages ("tune/general.html", ...), normally the folder "help" beside the program.
  CMTuneDlg(registry::SettingsStore& userStore, int current, MessageBoxes& messages,
            std::filesystem::path helpFolder, QWidget* parent = nullptr);
  ~CMTuneDlg() override;

  // The current profile index for the caller to reload with once the dialog has closed, by OK or
  // Cancel; it always names a stored profile (TunerModel::handedBackIndex).
  int currentIndex() const { return model_.handedBackIndex(); }

  // Takes the pages and saves; stays open after a refusal or a failed save.
  void accept() override;

 private:
  void selectProfile(int index);
  void newProfile();
  void removeProfile();
  void exportProfiles();
  void apply();
  void openHelp();
  // Takes every page into the model; false after a refusal was shown.
  bool takePages();
  bool saveProfiles();
  void showProfile();
  void fillNameList();
  void updateButtons();

  TunerModel model_;
  MessageBoxes& messages_;
  std::filesystem::path helpFolder_;
  std::unique_ptr<IntegerFieldReader> reader_;
  QComboBox* names_;
  QLineEdit* description_;
  QPushButton* new_;
  QTabWidget* pages_;
  CGeneralPage* general_;
  CFocalLengthPage* lens_;
  CAdvancedPage* advanced_;
  QPushButton* apply_;
};

}  // namespace skylacer::tuning
