// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// OpenCV's matrices, its own temporaries among them, taking their memory from buffers kept for
// reuse. The corner detector makes temporaries of 20 bytes a pixel of the feature plane for
// every photograph and frees them again; memory new from the system is touched for the first
// time page by page, which costs more than the detector's own arithmetic. Kept buffers of the
// same size serve the next photograph instead.

namespace skylacer {

// While one of these lives, OpenCV's matrices take their memory from kept buffers and give it
// back to them (up to a bound, beyond it to the system); when the last one goes, the buffers
// are freed. Any thread.
class OpenCvBufferReuse {
 public:
  OpenCvBufferReuse();
  OpenCvBufferReuse(const OpenCvBufferReuse&) = delete;
  OpenCvBufferReuse& operator=(const OpenCvBufferReuse&) = delete;
  ~OpenCvBufferReuse();
};

}  // namespace skylacer
