// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The movie writer's exported interface (C linkage, found by name): turns a prepared panorama
// picture into a single-node cylindrical QuickTime VR movie.

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define SKYLACER_MOVWRITER_EXPORT __attribute__((visibility("default")))

// Called once per tile, before the tile is drawn, with 0, 4, 8, ..., 95 (never 100) and the
// caller's value. A non-zero result asks the writer to stop: it draws and compresses no further
// tile, writes no movie (a file already at the output path stays as it was), deletes its
// scratch files and returns QVR_CANCELLED. 0 goes on.
typedef int (*QvrProgressFunction)(int percent, intptr_t user);

// The result of a call that the progress function stopped.
enum { QVR_CANCELLED = -128 };

// Shows one message to the user: a title ("Quiltra") and the text.
typedef void (*QvrMessageFunction)(const char* title, const char* text);

// Writes the movie at moviePath from the picture at imagePath: the panorama rotated so that
// it is taller than wide (its width is the panorama's height), which is cut into 24 tiles top
// to bottom. tilePath names a scratch file for the tile movie; it is deleted before the call
// returns, whatever the outcome. hfov is the panorama's horizontal field of view in whole
// degrees; viewWidth x viewHeight the size of the viewer's window. progress may be null.
//
// Returns 0 when the movie was written, and also when the picture is wider than tall (then
// nothing is written); 1 after a message that the Cinepak encoder cannot be used (nothing is
// written); QVR_CANCELLED when the progress function asked to stop; otherwise the negative
// 16-bit result code of the failing step (-50 for a missing path or a picture less than 24 rows
// tall). Whatever the result, no file but the finished movie is left behind.
SKYLACER_MOVWRITER_EXPORT int saveAsQvr(const char* moviePath, const char* imagePath,
                                        const char* tilePath, int hfov, int viewWidth,
                                        int viewHeight, QvrProgressFunction progress,
                                        intptr_t user);

// Replaces the function that shows the writer's messages; null restores the default, which
// prints them to standard error. Process-wide; may be called from any thread.
SKYLACER_MOVWRITER_EXPORT void setQvrMessageFunction(QvrMessageFunction show);

#ifdef __cplusplus
}
#endif
