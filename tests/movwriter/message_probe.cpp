// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the movie writer in a process of its own, so that a test can choose which libavcodec the
// dynamic loader finds. Arguments: movie path, picture path, scratch tile path. Calls saveAsQvr
// twice with a message function that prints "message: <title>|<text>" lines, then prints
// "result: <status>" for each call.

#include <cstdio>

#include "movwriter/save_as_qvr.h"

namespace {

void printMessage(const char* title, const char* text) {
  std::printf("message: %s|%s\n", title, text);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  setQvrMessageFunction(printMessage);
  for (int call = 0; call < 2; ++call) {
    if (std::FILE* tile = std::fopen(argv[3], "w")) std::fclose(tile);
    std::printf("result: %d\n", saveAsQvr(argv[1], argv[2], argv[3], 360, 400, 300, nullptr, 0));
  }
  return 0;
}
