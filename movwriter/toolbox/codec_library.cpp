// SPDX-License-Identifier: GPL-3.0-or-later
#include "movwriter/toolbox/codec_library.h"

#include <dlfcn.h>

namespace skylacer::toolbox {

namespace {

// Resolves `name` into `function`; false (and the loader's reason in `error`) when missing.
// Functions of libavutil are found through libavcodec, which depends on it.
template <typename Function>
bool resolve(void* handle, const char* name, Function& function, std::string& error) {
  function = reinterpret_cast<Function>(::dlsym(handle, name));
  if (function == nullptr) error = std::string("missing entry point ") + name;
  return function != nullptr;
}

}  // namespace

std::string CodecLibrary::builtSoname() {
  return "libavcodec.so." + std::to_string(LIBAVCODEC_VERSION_MAJOR);
}

std::unique_ptr<CodecLibrary> CodecLibrary::load(const std::string& soname, std::string& error) {
  // Once loaded, libavcodec and the libraries it pulls in stay: some of those keep memory from
  // their start-up code that unloading would orphan.
  void* handle = ::dlopen(soname.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (handle == nullptr) {
    const char* reason = ::dlerror();
    error = reason != nullptr ? reason : "cannot load " + soname;
    return nullptr;
  }
  std::unique_ptr<CodecLibrary> library(new CodecLibrary(handle));
  CodecLibrary& l = *library;
  const bool complete =
      resolve(handle, "avcodec_find_encoder_by_name", l.findEncoderByName, error) &&
      resolve(handle, "avcodec_alloc_context3", l.allocContext, error) &&
      resolve(handle, "avcodec_open2", l.openContext, error) &&
      resolve(handle, "avcodec_free_context", l.freeContext, error) &&
      resolve(handle, "avcodec_send_frame", l.sendFrame, error) &&
      resolve(handle, "avcodec_receive_packet", l.receivePacket, error) &&
      resolve(handle, "av_packet_alloc", l.allocPacket, error) &&
      resolve(handle, "av_packet_free", l.freePacket, error) &&
      resolve(handle, "av_frame_alloc", l.allocFrame, error) &&
      resolve(handle, "av_frame_free", l.freeFrame, error) &&
      resolve(handle, "av_opt_set", l.setOption, error);
  if (!complete) return nullptr;
  return library;
}

CodecLibrary::~CodecLibrary() {
  ::dlclose(handle_);
}

}  // namespace skylacer::toolbox
