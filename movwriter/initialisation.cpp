// SPDX-License-Identifier: GPL-3.0-or-later
#include "movwriter/initialisation.h"

#include <mutex>

#include "movwriter/toolbox/cinepak_compressor.h"
#include "movwriter/toolbox/movie_error.h"

namespace skylacer::movwriter {

const char* failureMessage(InitialisationFailure failure) {
  switch (failure) {
    case InitialisationFailure::NotInstalled:
      return "Failed: QuickTime is not installed on this computer.";
    case InitialisationFailure::CannotInitialise:
      break;
  }
  return "Failed: Could not initialize QuickTime. Exiting.";
}

Binding bindCodecs(const std::string& soname) {
  Binding binding;
  auto codecs = toolbox::CodecLibrary::load(soname, binding.detail);
  if (!codecs) {
    binding.failure = InitialisationFailure::NotInstalled;
    return binding;
  }
  try {
    toolbox::CinepakCompressor probe(*codecs, 4, 4, toolbox::kCodecHighQuality);
  } catch (const toolbox::MovieToolboxError& error) {
    binding.failure = InitialisationFailure::CannotInitialise;
    binding.detail = error.what();
    return binding;
  }
  binding.codecs = std::move(codecs);
  return binding;
}

const toolbox::CodecLibrary* initialiseOnce(InitialisationFailure& failure, std::string& detail) {
  static std::mutex initialising;
  static std::unique_ptr<toolbox::CodecLibrary> codecs;
  const std::lock_guard lock(initialising);
  if (!codecs) {
    Binding binding = bindCodecs(toolbox::CodecLibrary::builtSoname());
    if (!binding.codecs) {
      failure = binding.failure;
      detail = binding.detail;
      return nullptr;
    }
    codecs = std::move(binding.codecs);
  }
  return codecs.get();
}

}  // namespace skylacer::movwriter
