// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/tuner_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

#include "platform/shell/program_launch.h"
#include "tuning/advanced_page.h"
#include "tuning/dialog_texts.h"
#include "tuning/field_text.h"
#include "tuning/file_dialog.h"
#include "tuning/focal_length_page.h"
#include "tuning/general_page.h"
#include "tuning/integer_field_reader.h"
#include "tuning/message_box.h"
#include "tuning/profile_reg_file.h"
#include "tuning/set_name_dialog.h"
#include "tuning/tuner_help.h"

namespace skylacer::tuning {

namespace {

QPushButton* profileButton(const QString& text, const char* objectName, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QString::fromLatin1(objectName));
  button->setAutoDefault(false);
  return button;
}

QString fromUtf8(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

CMTuneDlg::CMTuneDlg(registry::SettingsStore& userStore, int current, MessageBoxes& messages,
                     std::filesystem::path helpFolder, QWidget* parent)
    : QDialog(parent),
      model_(userStore, current),
      messages_(messages),
      helpFolder_(std::move(helpFolder)),
      reader_(std::make_unique<IntegerFieldReader>(messages)),
      names_(new QComboBox(this)),
      description_(new QLineEdit(this)),
      new_(profileButton(tr("&New..."), "newButton", this)),
      pages_(new QTabWidget(this)) {
  setWindowTitle(tr("Oskelvind Skylacer Tuner"));
  names_->setObjectName(QStringLiteral("nameCombo"));
  description_->setObjectName(QStringLiteral("descriptionEdit"));
  pages_->setObjectName(QStringLiteral("pages"));
  auto* remove = profileButton(tr("&Remove"), "removeButton", this);
  auto* exportButton = profileButton(tr("&Export..."), "exportButton", this);

  const auto changed = [this] { updateButtons(); };
  general_ = new CGeneralPage(model_, *reader_, changed);
  lens_ = new CFocalLengthPage(model_, *reader_, changed);
  advanced_ = new CAdvancedPage(model_, *reader_, changed);
  pages_->addTab(general_, tr("General"));
  pages_->addTab(lens_, tr("Lens"));
  pages_->addTab(advanced_, tr("Advanced"));

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel |
                                           QDialogButtonBox::Apply | QDialogButtonBox::Help,
                                       this);
  buttons->button(QDialogButtonBox::Ok)->setText(tr("OK"));
  buttons->button(QDialogButtonBox::Cancel)->setText(tr("Cancel"));
  apply_ = buttons->button(QDialogButtonBox::Apply);
  apply_->setText(tr("Apply"));
  apply_->setObjectName(QStringLiteral("applyButton"));
  QPushButton* help = buttons->button(QDialogButtonBox::Help);
  help->setText(tr("&Help"));
  help->setObjectName(QStringLiteral("helpButton"));

  auto* nameLabel = new QLabel(tr("N&ame:"));
  nameLabel->setBuddy(names_);
  auto* descriptionLabel = new QLabel(tr("&Description:"));
  descriptionLabel->setBuddy(description_);
  auto* profileArea = new QGridLayout;
  profileArea->addWidget(nameLabel, 0, 0);
  profileArea->addWidget(names_, 0, 1);
  profileArea->addWidget(new_, 0, 2);
  profileArea->addWidget(descriptionLabel, 1, 0);
  profileArea->addWidget(description_, 1, 1);
  profileArea->addWidget(remove, 1, 2);
  profileArea->addWidget(exportButton, 2, 2);
  profileArea->setColumnStretch(1, 1);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(profileArea);
  layout->addWidget(pages_, 1);
  layout->addWidget(buttons);

  fillNameList();
  showProfile();

  connect(names_, &QComboBox::currentIndexChanged, this, &CMTuneDlg::selectProfile);
  connect(description_, &QLineEdit::textChanged, this, [this](const QString& text) {
    model_.editDescription(text.toStdString());
    updateButtons();
  });
  connect(new_, &QPushButton::clicked, this, &CMTuneDlg::newProfile);
  connect(remove, &QPushButton::clicked, this, &CMTuneDlg::removeProfile);
  connect(exportButton, &QPushButton::clicked, this, &CMTuneDlg::exportProfiles);
  connect(apply_, &QPushButton::clicked, this, &CMTuneDlg::apply);
  connect(buttons, &QDialogButtonBox::helpRequested, this, &CMTuneDlg::openHelp);
  connect(buttons, &QDialogButtonBox::accepted, this, &CMTuneDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CMTuneDlg::reject);
  // The Lens page shows the values afresh whenever it is brought to the front.
  connect(pages_, &QTabWidget::currentChanged, this, [this] {
    if (pages_->currentWidget() == lens_) lens_->showValues();
  });
  if (!model_.boundsWarning().empty())
    messages_.ask(dialogText(kProfilesOutsideLimits) + model_.boundsWarning(), MessageKind::Notice);
}

CMTuneDlg::~CMTuneDlg() = default;

void CMTuneDlg::fillNameList() {
  const QSignalBlocker blocker(names_);
  names_->clear();
  for (const ParamProfile& profile : model_.profiles()) names_->addItem(fromUtf8(profile.name));
  names_->setCurrentIndex(model_.current());
}

void CMTuneDlg::showProfile() {
  general_->showValues();
  lens_->showValues();
  advanced_->showValues();
  showFieldText(*description_, fromUtf8(model_.description()));
  updateButtons();
}

void CMTuneDlg::updateButtons() {
  apply_->setEnabled(model_.modified());
  new_->setEnabled(model_.canAddProfile());
}

bool CMTuneDlg::takePages() {
  const bool taken = general_->takeValues() && lens_->takeValues() && advanced_->takeValues();
  updateButtons();
  return taken;
}

void CMTuneDlg::selectProfile(int index) {
  if (!takePages()) {
    const QSignalBlocker blocker(names_);
    names_->setCurrentIndex(model_.current());
    return;
  }
  model_.select(index);
  showProfile();
}

void CMTuneDlg::newProfile() {
  if (!takePages()) return;
  CSetName ask(this);
  if (ask.exec() != QDialog::Accepted) return;
  const std::string name = ask.name();
  if (name.empty()) {
    messages_.ask(dialogText(kProfileNameMissing), MessageKind::Notice);
    return;
  }
  if (!model_.addProfile(name)) return;
  {
    const QSignalBlocker blocker(names_);
    names_->addItem(fromUtf8(name));
    names_->setCurrentIndex(model_.current());
  }
  showFieldText(*description_, fromUtf8(model_.description()));
  updateButtons();
}

void CMTuneDlg::removeProfile() {
  if (messages_.ask(dialogText(kRemoveProfileQuestion), MessageKind::YesNo) != MessageAnswer::Yes)
    return;
  if (model_.removeCurrent()) messages_.ask(dialogText(kNoProfilesLeft), MessageKind::Notice);
  fillNameList();
  showProfile();
}

void CMTuneDlg::exportProfiles() {
  if (!takePages()) return;
  FileDialogRequest request;
  request.mode = FileDialogMode::Save;
  request.filterText = tr("Registry files (*.reg)|*.reg||").toStdString();
  request.defaultExtension = "reg";
  request.mustExist = true;
  request.askOverwrite = true;
  const std::optional<FileDialogChoice> choice = runFileDialog(request, this);
  if (!choice) return;
  model_.takeEdits();
  const std::filesystem::path& file = choice->files.front();
  if (!tuning::exportProfiles(file, model_.profiles())) {
    const QString text = QString::fromStdString(dialogText(kExportFailed))
                             .arg(QString::fromStdString(file.string()));
    messages_.ask(text.toStdString(), MessageKind::Error);
  }
}

bool CMTuneDlg::saveProfiles() {
  if (model_.save()) return true;
  messages_.ask(dialogText(kProfilesNotSaved), MessageKind::Error);
  return false;
}

void CMTuneDlg::apply() {
  if (takePages()) saveProfiles();
  updateButtons();
}

void CMTuneDlg::accept() {
  if (!takePages() || !saveProfiles()) return;
  QDialog::accept();
}

void CMTuneDlg::openHelp() {
  TunerTab tab = TunerTab::General;
  if (pages_->currentWidget() == lens_) tab = TunerTab::Lens;
  if (pages_->currentWidget() == advanced_) tab = TunerTab::Advanced;
  shell::openWithAssociatedProgram(tunerHelpTarget(helpFolder_, tab));
}

}  // namespace skylacer::tuning
