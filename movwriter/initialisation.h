// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Binding the compressor library once per process. The binding and the flag that it succeeded
// are, with the message function, the movie writer's only process-wide state.

#include <memory>
#include <string>

#include "movwriter/toolbox/codec_library.h"

namespace skylacer::movwriter {

enum class InitialisationFailure {
  NotInstalled,      // libavcodec cannot be loaded or lacks a function
  CannotInitialise,  // it has no Cinepak encoder, or the encoder does not open
};

// The user's message for a failure, titled kMessageTitle.
inline constexpr const char* kMessageTitle = "Quiltra";
const char* failureMessage(InitialisationFailure failure);

struct Binding {
  std::unique_ptr<toolbox::CodecLibrary> codecs;                        // set on success
  InitialisationFailure failure = InitialisationFailure::NotInstalled;  // otherwise
  std::string detail;  // the loader's or encoder's reason
};

// Loads `soname` and checks that a Cinepak encoder opens.
Binding bindCodecs(const std::string& soname);

// The process's binding of the library the program was built against: made under a mutex on
// the first call that succeeds and kept until the process ends; a failed attempt is not
// remembered, so the next call tries again. Returns nullptr and sets `failure` on failure.
const toolbox::CodecLibrary* initialiseOnce(InitialisationFailure& failure, std::string& detail);

}  // namespace skylacer::movwriter
