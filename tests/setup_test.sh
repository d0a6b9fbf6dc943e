#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What scripts/setup installs for building and running (scripts/demo) pulls in, with everything
# it depends on and recommends, no browser and no test tool: those are `scripts/setup --tests`'s.
set -euo pipefail
setup=$1
mapfile -t build < <("$setup" --list)
[ ${#build[@]} -gt 0 ] || { echo "scripts/setup --list printed nothing"; exit 1; }
closure=$(apt-cache depends --recurse --no-suggests --no-conflicts --no-breaks --no-replaces \
  --no-enhances "${build[@]}" | grep -v '^ ' | sort -u)
[ -n "$closure" ] || { echo "apt-cache gave no dependencies (package lists missing?)"; exit 1; }
tools=$("$setup" --tests --list)
found=0
for tool in chromium nodejs xvfb xdotool clang libgtest-dev libbenchmark-dev ffmpeg; do
  if grep -qx "$tool" <<<"$closure"; then
    echo "scripts/setup pulls in the test tool $tool"
    found=1
  fi
  if ! grep -qx "$tool" <<<"$tools"; then
    echo "scripts/setup --tests does not install $tool"
    found=1
  fi
done
exit $found
