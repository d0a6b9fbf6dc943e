// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// libavcodec, bound at run time: the library of the major version this program was built
// against is loaded with dlopen and the few functions the compressor needs are resolved by
// name, so that a machine without it still runs everything but the movie writer. Types and
// constants come from the headers of that version; no symbol of it is linked.

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <memory>
#include <string>

namespace skylacer::toolbox {

class CodecLibrary {
 public:
  // The shared object name of the libavcodec this program was built against.
  static std::string builtSoname();

  // Loads `soname` and resolves every function. Returns nullptr and sets `error` when the
  // library cannot be loaded or lacks one of the functions.
  static std::unique_ptr<CodecLibrary> load(const std::string& soname, std::string& error);

  ~CodecLibrary();
  CodecLibrary(const CodecLibrary&) = delete;
  CodecLibrary& operator=(const CodecLibrary&) = delete;

  const AVCodec* (*findEncoderByName)(const char* name) = nullptr;
  AVCodecContext* (*allocContext)(const AVCodec* codec) = nullptr;
  int (*openContext)(AVCodecContext* context, const AVCodec* codec,
                     AVDictionary** options) = nullptr;
  void (*freeContext)(AVCodecContext** context) = nullptr;
  int (*sendFrame)(AVCodecContext* context, const AVFrame* frame) = nullptr;
  int (*receivePacket)(AVCodecContext* context, AVPacket* packet) = nullptr;
  AVPacket* (*allocPacket)() = nullptr;
  void (*freePacket)(AVPacket** packet) = nullptr;
  AVFrame* (*allocFrame)() = nullptr;
  void (*freeFrame)(AVFrame** frame) = nullptr;
  int (*setOption)(void* object, const char* name, const char* value, int searchFlags) = nullptr;

 private:
  explicit CodecLibrary(void* handle) : handle_(handle) {}
  void* handle_;
};

}  // namespace skylacer::toolbox
