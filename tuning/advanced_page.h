// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The tuner's "Advanced" page: the pyramid and refinement settings ("Iterations") and the seam
// settings ("Splicing"). The Magnet Y shift is shown disabled: it is kept with the profile but
// the user cannot change it here.

#include <QCoreApplication>

#include "tuning/tuner_page.h"

namespace skylacer::tuning {

class CAdvancedPage : public TunerPage {
  Q_DECLARE_TR_FUNCTIONS(CAdvancedPage)

 public:
  CAdvancedPage(TunerModel& model, IntegerFieldReader& reader, std::function<void()> changed);
};

}  // namespace skylacer::tuning
