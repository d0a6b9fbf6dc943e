// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

namespace skylacer::imaging {

// Asked by a long step between its bands of rows with the share of the step done so far (0 to
// 1); true stops the step there. An empty check never stops.
using StopCheck = std::function<bool(double done)>;

}  // namespace skylacer::imaging
