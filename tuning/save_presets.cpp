// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/save_presets.h"

namespace skylacer::tuning {

namespace {

constexpr char kSettingsSection[] = "Settings";
constexpr char kLastQualityValue[] = "Last quality";

}  // namespace

QualityPreset readLastQualityPreset(const registry::ApplicationSettings& settings) {
  const int stored = settings.readInt(kSettingsSection, kLastQualityValue, 0);
  if (stored < 0 || stored > static_cast<int>(QualityPreset::Custom)) return QualityPreset::Low;
  return static_cast<QualityPreset>(stored);
}

void storeLastQualityPreset(registry::ApplicationSettings& settings, QualityPreset preset) {
  settings.writeInt(kSettingsSection, kLastQualityValue, static_cast<int>(preset));
}

ImageSize limitHeight(ImageSize size, int limit) {
  if (size.height <= limit) return size;
  const double factor = static_cast<double>(limit) / size.height;
  // The height is set exactly: height * factor may come out just below the limit.
  return {static_cast<std::int32_t>(size.width * factor), limit};
}

output::OutputOptions applyQualityPreset(QualityPreset preset, const output::OutputOptions& offer,
                                         std::optional<ImageSize> customSize) {
  switch (preset) {
    case QualityPreset::Low:
      return {limitHeight(offer.size, 600), 75};
    case QualityPreset::Medium:
      return {limitHeight(offer.size, 1024), 80};
    case QualityPreset::Original:
      return {offer.size, 85};
    case QualityPreset::Custom:
      return {customSize.value_or(offer.size), offer.quality};
  }
  return offer;
}

}  // namespace skylacer::tuning
