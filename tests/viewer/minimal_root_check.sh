#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# By hand, not in CI (it takes minutes and downloads about 100 MB): an exported panorama program
# started in a minimal Debian 12 root that holds only Xvfb and Mesa shows its panorama.
#
#   sudo tests/viewer/minimal_root_check.sh build/lib/skylacer3/viewer.dat samples/mountains/IMG_0001.jpg
#
# Needs mmdebstrap and root (chroot, /proc mounted in the root). Leaves the root's snapshot of
# the view in ./minimal-root-view.png and ends with the viewer's exit code. Then libGL is removed
# from the root and the program started again: it must name the missing library and end with 1.
set -eu
viewer=$1
picture=$2
root=$(mktemp -d /tmp/viewer-root-XXXXXX)
trap 'umount "$root/proc" 2>/dev/null || true; rm -rf "$root"' EXIT

mmdebstrap --variant=minbase --include=xvfb,libgl1-mesa-dri bookworm "$root" \
  http://deb.debian.org/debian
# The exported program: the viewer, the magic, the field of view (1.5 radians) and the picture.
{
  cat "$viewer"
  printf 'Oskelvind Panorama Data\000'
  python3 -c 'import struct, sys; sys.stdout.buffer.write(struct.pack("<d", 1.5))'
  cat "$picture"
} > "$root/root/panorama"
chmod +x "$root/root/panorama"
mount -t proc proc "$root/proc"
status=0
chroot "$root" /bin/sh -c '
  Xvfb :5 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  sleep 2
  DISPLAY=:5 SKYLACER_VIEWER_TRACE=1 SKYLACER_VIEWER_SNAPSHOT=/root/view.png /root/panorama
  status=$?
  kill $! 2>/dev/null
  exit $status' || status=$?
cp "$root/root/view.png" minimal-root-view.png
echo "viewer exit code $status; libraries with JPEG in their name in the root:" \
  "$(ls "$root/usr/lib/x86_64-linux-gnu" | grep -ci jpeg)"
rm -f "$root"/usr/lib/x86_64-linux-gnu/libGL.so.1*
missing=0
chroot "$root" /root/panorama || missing=$?
echo "without libGL: viewer exit code $missing"
if [ "$missing" -ne 1 ]; then status=1; fi
exit $status
