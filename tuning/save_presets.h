// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The output quality presets of the save dialog's "Save Options:" row, and what each makes of
// the size and JPEG quality the caller offers.
//
//   Low Quality Image       higher than 600 pixels: scaled to 600 high; quality 75
//   Medium Quality Image    higher than 1024 pixels: scaled to 1024 high; quality 80
//   Original Quality Image  the size unchanged; quality 85
//   Custom Quality...       the size and quality set in Output Image Options
//
// The last preset used is kept as "Last quality" under "Settings".

#include <QtGlobal>
#include <array>
#include <optional>

#include "engine/buffers.h"
#include "output/panorama.h"
#include "platform/registry/application_settings.h"

namespace skylacer::tuning {

enum class QualityPreset { Low = 0, Medium = 1, Original = 2, Custom = 3 };

// The texts are the English source texts of the translations, in the context kSavePresetsContext.
inline constexpr char kSavePresetsContext[] = "SavePresets";
inline constexpr std::array<const char*, 4> kQualityPresetTexts = {
    QT_TRANSLATE_NOOP("SavePresets", "Low Quality Image"),
    QT_TRANSLATE_NOOP("SavePresets", "Medium Quality Image"),
    QT_TRANSLATE_NOOP("SavePresets", "Original Quality Image"),
    QT_TRANSLATE_NOOP("SavePresets", "Custom Quality...")};
inline constexpr char kSaveOptionsLabel[] = QT_TRANSLATE_NOOP("SavePresets", "Save Options:");

// The stored preset; a missing value, or an index outside 0..3, reads as Low.
QualityPreset readLastQualityPreset(const registry::ApplicationSettings& settings);
void storeLastQualityPreset(registry::ApplicationSettings& settings, QualityPreset preset);

// A size no higher than `limit`: a higher one is scaled to exactly `limit` rows, its width by
// the same factor (limit / height, the integer part of the product).
ImageSize limitHeight(ImageSize size, int limit);

// What `preset` makes of the caller's offer. Under Custom the size is `customSize` when the user
// confirmed one in Output Image Options, else the offered one, and the quality is the offered
// one (the custom dialog's quality replaces the offer when confirmed).
output::OutputOptions applyQualityPreset(QualityPreset preset, const output::OutputOptions& offer,
                                         std::optional<ImageSize> customSize);

}  // namespace skylacer::tuning
