// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Failures of the movie toolbox. Every operation either succeeds or throws MovieToolboxError
// carrying the 16-bit result code of the failing step (negative; 0 is success). The codes are
// the ones the movie writer returns to its caller in the low 16 bits of its result.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace skylacer::toolbox {

using OSErr = std::int16_t;

inline constexpr OSErr noErr = 0;
inline constexpr OSErr dskFulErr = -34;          // no space left on the volume
inline constexpr OSErr ioErr = -36;              // read or write failed; data too large to address
inline constexpr OSErr fnfErr = -43;             // file or folder not found
inline constexpr OSErr dupFNErr = -48;           // no free name for a file that must be new
inline constexpr OSErr paramErr = -50;           // missing path, impossible size or argument
inline constexpr OSErr permErr = -54;            // no permission to read, create or write
inline constexpr OSErr memFullErr = -108;        // out of memory
inline constexpr OSErr userCanceledErr = -128;   // the caller asked the work to stop
inline constexpr OSErr cantFindHandler = -2003;  // no graphics importer reads this file
inline constexpr OSErr invalidMovie = -2010;     // not a movie file this toolbox understands
inline constexpr OSErr invalidTrack = -2009;     // a movie lacks the track asked for
inline constexpr OSErr badDataErr = -8962;       // a file's contents are corrupt
inline constexpr OSErr codecErr = -8960;         // the compressor refused or failed

class MovieToolboxError : public std::runtime_error {
 public:
  MovieToolboxError(OSErr code, const std::string& what) : std::runtime_error(what), code_(code) {}
  OSErr code() const { return code_; }

 private:
  OSErr code_;
};

// The result code for a failed system call's errno value.
OSErr errnoToOSErr(int error);

// Throws MovieToolboxError for errno `error`, naming the operation and the path.
[[noreturn]] void throwErrno(int error, const std::string& operation, const std::string& path);

}  // namespace skylacer::toolbox
