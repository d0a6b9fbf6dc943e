#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build (stripped) into a temporary prefix, checks the layout (programs in
# lib/skylacer3, data in share/skylacer3, nothing of ours elsewhere), and starts the main program
# from its launcher in bin/ as a new user would (empty home, offscreen). The program ends with 0
# on SIGTERM only once its window runs the event loop with the movie loaded from share/; a
# missing movie or library would stop it earlier. Then the uninstall target must leave the
# prefix empty but for the desktop caches it refreshed. The installed panorama-cli
# publishes a web page from the templates under share/ and a viewer program from lib/.
# Usage: install_test.sh BUILD_DIR SAMPLES_DIR
set -eu
build=$1
samples=$2
prefix=$(mktemp -d)
home=$(mktemp -d)
trap 'rm -rf "$prefix" "$home"' EXIT

# The prefix stands for a folder the desktop reads, so that install refreshes its caches.
export XDG_DATA_DIRS="$prefix/share"
cmake --install "$build" --prefix "$prefix" --strip >/dev/null
grep -q '^[0-9]*:application/x-skylacer-project:\*\.skl' "$prefix/share/mime/globs2" ||
  { echo "install did not refresh the MIME database" >&2; exit 1; }
for file in bin/panorama bin/panorama-cli lib/skylacer3/panorama lib/skylacer3/panorama-cli \
    lib/skylacer3/libmovwriter.so lib/skylacer3/viewer.dat \
    share/skylacer3/interfaces/quiltra.qml share/skylacer3/interfaces/about.qml \
    share/skylacer3/templates share/skylacer3/help/index.html "share/skylacer3/Support.url" \
    "share/skylacer3/Product Info.url" share/skylacer3/locale/de/LC_MESSAGES/skylacer3.mo \
    share/applications/skylacer3.desktop share/mime/packages/skylacer3.xml \
    share/icons/hicolor/48x48/apps/skylacer3.png; do
  [ -e "$prefix/$file" ] || { echo "missing after install: $file" >&2; exit 1; }
done
# lib/ holds programs and libraries only; the data live under share/.
misplaced=$(find "$prefix/lib" -mindepth 2 -not -name panorama -not -name panorama-cli \
  -not -name viewer.dat -not -name 'libmovwriter.so*')
[ -z "$misplaced" ] || { echo "data under lib/ after install: $misplaced" >&2; exit 1; }
for program in panorama panorama-cli libmovwriter.so; do
  if readelf -S "$prefix/lib/skylacer3/$program" | grep -q -e '\.symtab' -e '\.debug_info'; then
    echo "not stripped after install: lib/skylacer3/$program" >&2
    exit 1
  fi
done
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$prefix/share/applications/skylacer3.desktop"
fi

cd "$home"
env -u SKYLACER_USER_SETTINGS -u SKYLACER_MACHINE_SETTINGS HOME="$home" XDG_CONFIG_HOME= \
  QT_QPA_PLATFORM=offscreen "$prefix/bin/panorama" &
program=$!
sleep 3
kill -TERM "$program"
status=0
wait "$program" || status=$?
[ "$status" -eq 0 ] || { echo "panorama ended with $status" >&2; exit 1; }

env HOME="$home" "$prefix/bin/panorama-cli" stitch "$samples"/mountains/*.jpg -o "$home/out.jpg" \
  --html "flash:$home/page.html" --exe "$home/viewer" >/dev/null
for file in out.jpg page.html viewer; do
  [ -s "$home/$file" ] || { echo "installed panorama-cli did not write $file" >&2; exit 1; }
done

cmake --build "$build" --target uninstall >/dev/null
! grep -q x-skylacer-project "$prefix/share/mime/globs2" ||
  { echo "uninstall left the project type in the MIME database" >&2; exit 1; }
# What is left are the refreshed caches, which belong to every program of the prefix.
left=$(find "$prefix" -mindepth 1 -not -type d -not -path "$prefix/share/mime/*" \
  -not -name mimeinfo.cache -not -name icon-theme.cache
  find "$prefix" -type d -name 'skylacer3*')
[ -z "$left" ] || { echo "left after uninstall: $left" >&2; exit 1; }
echo "installed panorama started from bin/ and ended normally; uninstall removed it all"
