// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/image_options_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include "tuning/dialog_buttons.h"
#include "tuning/field_text.h"
#include "tuning/integer_field_reader.h"

namespace skylacer::tuning {

namespace {

constexpr char kUnitSection[] = "settings";
constexpr char kWidthUnitValue[] = "widthtype";
constexpr char kHeightUnitValue[] = "heighttype";
constexpr IntegerRange kQualityRange{1, 100};

SizeUnit storedUnit(const registry::ApplicationSettings& settings, const char* value) {
  return sizeUnitOf(settings.readString(kUnitSection, value, sizeUnitText(SizeUnit::Pixels)));
}

QString unitLabel(SizeUnit unit) {
  return unit == SizeUnit::Pixels ? CImageOpt::tr("pixels") : CImageOpt::tr("percents");
}

// A drop-down list of the two units, percents first, showing `unit`. Each entry holds its unit:
// the label is in the user's language.
QComboBox* unitList(SizeUnit unit, const char* objectName, QWidget* parent) {
  auto* list = new QComboBox(parent);
  list->setObjectName(QString::fromLatin1(objectName));
  for (const SizeUnit entry : {SizeUnit::Percents, SizeUnit::Pixels})
    list->addItem(unitLabel(entry), static_cast<int>(entry));
  list->setCurrentIndex(list->findData(static_cast<int>(unit)));
  return list;
}

SizeUnit shownUnit(const QComboBox& list) {
  return static_cast<SizeUnit>(list.currentData().toInt());
}

QLineEdit* field(const char* objectName, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(objectName));
  edit->setMaximumWidth(90);
  return edit;
}

}  // namespace

CImageOpt::CImageOpt(double width, double height, int quality,
                     registry::ApplicationSettings& settings, MessageBoxes& messages,
                     QWidget* parent)
    : QDialog(parent),
      settings_(settings),
      reader_(std::make_unique<IntegerFieldReader>(messages)),
      model_(width, height, quality, storedUnit(settings, kWidthUnitValue),
             storedUnit(settings, kHeightUnitValue)),
      width_(field("widthEdit", this)),
      height_(field("heightEdit", this)),
      widthUnit_(unitList(model_.widthUnit(), "widthUnitCombo", this)),
      heightUnit_(unitList(model_.heightUnit(), "heightUnitCombo", this)),
      keepAspect_(new QCheckBox(tr(" Keep &aspect ratio"), this)),
      quality_(field("qualityEdit", this)),
      slider_(new QSlider(Qt::Horizontal, this)) {
  setWindowTitle(tr("Output Image Options"));
  keepAspect_->setObjectName(QStringLiteral("keepAspectCheck"));
  keepAspect_->setChecked(model_.keepAspect());
  slider_->setObjectName(QStringLiteral("qualitySlider"));
  slider_->setRange(50, 95);
  slider_->setTickPosition(QSlider::TicksBelow);
  slider_->setTickInterval(5);
  slider_->setMinimumWidth(180);
  slider_->setValue(model_.quality());
  showFieldText(*quality_, model_.quality());
  showWidth();
  showHeight();

  auto* widthLabel = new QLabel(tr("&Width:"));
  widthLabel->setBuddy(width_);
  auto* heightLabel = new QLabel(tr("&Height:"));
  heightLabel->setBuddy(height_);
  auto* size = new QGridLayout;
  size->addWidget(widthLabel, 0, 0);
  size->addWidget(width_, 0, 1);
  size->addWidget(widthUnit_, 0, 2);
  size->addWidget(heightLabel, 1, 0);
  size->addWidget(height_, 1, 1);
  size->addWidget(heightUnit_, 1, 2);
  size->addWidget(keepAspect_, 2, 0, 1, 3);
  size->setColumnStretch(3, 1);

  auto* qualityGroup = new QGroupBox(tr(" JPEG Quality "), this);
  auto* qualityRow = new QHBoxLayout(qualityGroup);
  qualityRow->addWidget(new QLabel(tr("Low")));
  qualityRow->addWidget(slider_, 1);
  qualityRow->addWidget(new QLabel(tr("High")));
  qualityRow->addSpacing(12);
  qualityRow->addWidget(quality_);
  qualityRow->addWidget(new QLabel(QStringLiteral("%")));

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(size);
  layout->addWidget(qualityGroup);
  layout->addWidget(okCancelButtons(*this));

  connect(width_, &QLineEdit::textChanged, this, &CImageOpt::widthEdited);
  connect(height_, &QLineEdit::textChanged, this, &CImageOpt::heightEdited);
  connect(quality_, &QLineEdit::textChanged, this, &CImageOpt::qualityEdited);
  connect(slider_, &QSlider::sliderReleased, this, &CImageOpt::sliderMoved);
  connect(slider_, &QSlider::valueChanged, this, [this] {
    if (!slider_->isSliderDown()) sliderMoved();
  });
  connect(keepAspect_, &QCheckBox::clicked, this, [this](bool on) {
    model_.setKeepAspect(on);
    showHeight();
  });
  connect(widthUnit_, &QComboBox::textActivated, this, [this] {
    model_.setWidthUnit(shownUnit(*widthUnit_));
    showWidth();
  });
  connect(heightUnit_, &QComboBox::textActivated, this, [this] {
    model_.setHeightUnit(shownUnit(*heightUnit_));
    showHeight();
  });
}

CImageOpt::~CImageOpt() = default;

void CImageOpt::showWidth() {
  showFieldText(*width_, model_.shownWidth());
}
void CImageOpt::showHeight() {
  showFieldText(*height_, model_.shownHeight());
}

void CImageOpt::widthEdited() {
  const std::optional<int> value = reader_->read(*width_, std::nullopt);
  if (!value) return;
  model_.editWidth(*value);
  showHeight();
}

void CImageOpt::heightEdited() {
  const std::optional<int> value = reader_->read(*height_, std::nullopt);
  if (!value) return;
  model_.editHeight(*value);
  showWidth();
}

void CImageOpt::qualityEdited() {
  const std::optional<int> value = reader_->read(*quality_, kQualityRange);
  if (!value) return;
  model_.setQuality(*value);
  const QSignalBlocker blocker(slider_);
  slider_->setValue(*value);
}

void CImageOpt::sliderMoved() {
  model_.setQuality(slider_->value());
  showFieldText(*quality_, model_.quality());
}

void CImageOpt::accept() {
  const std::optional<int> shownWidth = reader_->read(*width_, std::nullopt);
  if (!shownWidth) return;
  const std::optional<int> shownHeight = reader_->read(*height_, std::nullopt);
  if (!shownHeight) return;
  const std::optional<int> quality = reader_->read(*quality_, kQualityRange);
  if (!quality) return;
  model_.takeFields(*shownWidth, *shownHeight);
  model_.setQuality(*quality);
  settings_.writeString(kUnitSection, kWidthUnitValue, sizeUnitText(model_.widthUnit()));
  settings_.writeString(kUnitSection, kHeightUnitValue, sizeUnitText(model_.heightUnit()));
  QDialog::accept();
}

}  // namespace skylacer::tuning
