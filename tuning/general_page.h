// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The tuner's "General" page: the overlap range of the photos and the three switches of the
// stitch (crop, camera rotation, distortion).

#include <QCoreApplication>

#include "tuning/tuner_page.h"

namespace skylacer::tuning {

class CGeneralPage : public TunerPage {
  Q_DECLARE_TR_FUNCTIONS(CGeneralPage)

 public:
  CGeneralPage(TunerModel& model, IntegerFieldReader& reader, std::function<void()> changed);
};

}  // namespace skylacer::tuning
