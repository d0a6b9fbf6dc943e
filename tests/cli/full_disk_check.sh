#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A full disk, for real: panorama-cli writes into a small tmpfs mounted in a private mount
# namespace. Replacing files that are already there must fail with "no space left on device"
# naming the file, keep the old files byte for byte, and leave no scratch file behind.
# Needs root (to mount); it fails rather than skipping when it cannot mount.
#   full_disk_check.sh PANORAMA-CLI SAMPLE-PHOTO
set -euo pipefail
cli=$1
photo=$2

if [[ ${FULL_DISK_INSIDE:-} != 1 ]]; then
  if ! FULL_DISK_INSIDE=1 unshare --mount --propagation private "$0" "$@"; then
    echo "full_disk_check: failed (it needs root and the right to mount a tmpfs)" >&2
    exit 1
  fi
  exit 0
fi

disk=$(mktemp -d /tmp/full-disk-XXXXXX)
work=$(mktemp -d /tmp/full-disk-work-XXXXXX)
trap 'umount "$disk" 2>/dev/null || true; rm -rf "$disk" "$work"' EXIT
mount -t tmpfs -o size=4m tmpfs "$disk"
export SKYLACER_USER_SETTINGS=$work/user.db SKYLACER_MACHINE_SETTINGS=$work/machine.db

fail() {
  echo "full_disk_check: $*" >&2
  exit 1
}

# Outputs that fit, written while there is room.
"$cli" publish "$photo" --hfov 60 --size 400x300 --html "java:$disk/j.html" >/dev/null 2>&1 ||
  fail "the first export failed"
"$cli" profiles export "$disk/p.reg" >/dev/null 2>&1 || fail "the first profiles export failed"
"$cli" publish "$photo" --hfov 60 --size 384x200 --mov "$disk/m.mov" >/dev/null 2>&1 ||
  fail "the first movie failed"
cp "$disk/m.mov" "$work/m.mov"
cp "$disk/j.jpg" "$work/j.jpg"
cp "$disk/j.html" "$work/j.html"
cp "$disk/p.reg" "$work/p.reg"

# Fill the disk to the last byte.
dd if=/dev/zero of="$disk/filler" bs=64k 2>/dev/null || true
dd if=/dev/zero of="$disk/filler2" bs=1 2>/dev/null || true

if "$cli" publish "$photo" --hfov 60 --html "java:$disk/j.html" 2>"$work/page.err" >/dev/null; then
  fail "the export into a full disk succeeded"
fi
grep -qF "cannot write $disk/j.jpg: no space left on device" "$work/page.err" ||
  fail "the page's message does not name the file and the reason: $(cat "$work/page.err")"
if "$cli" profiles export "$disk/p.reg" 2>"$work/reg.err" >/dev/null; then
  fail "the profiles export into a full disk succeeded"
fi
grep -qF "cannot write $disk/p.reg: no space left on device" "$work/reg.err" ||
  fail "the profiles export's message does not name the file and the reason: $(cat "$work/reg.err")"
if "$cli" stitch "$photo" --hfov 60 -o "$disk/j.jpg" 2>"$work/stitch.err" >/dev/null; then
  fail "the stitch into a full disk succeeded"
fi
grep -qF "cannot write $disk/j.jpg: no space left on device" "$work/stitch.err" ||
  fail "the stitch's message does not name the file and the reason: $(cat "$work/stitch.err")"

if "$cli" publish "$photo" --hfov 60 --mov "$disk/m.mov" 2>"$work/movie.err" >/dev/null; then
  fail "the movie into a full disk succeeded"
fi
grep -qF "cannot write $disk/m.mov: no space left on device" "$work/movie.err" ||
  fail "the movie's message does not name the file and the reason: $(cat "$work/movie.err")"

for file in j.jpg j.html p.reg m.mov; do
  cmp -s "$disk/$file" "$work/$file" || fail "$file changed on the full disk"
done
leftover=$(find "$disk" -name '.*' -newer "$work/j.jpg" | head -1)
[[ -z $leftover ]] || fail "a scratch file was left: $leftover"
echo "full_disk_check: old files kept, messages name the file and the reason"
