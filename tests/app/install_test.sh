#!/bin/sh
# Installs the build into a temporary prefix and starts the main program from its launcher in
# bin/ as a new user would (empty home, offscreen). The program ends with 0 on SIGTERM only once
# its window runs the event loop with the movie loaded; a missing movie or library would stop it
# earlier. Usage: install_test.sh BUILD_DIR
set -eu
build=$1
prefix=$(mktemp -d)
home=$(mktemp -d)
trap 'rm -rf "$prefix" "$home"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null
for file in bin/panorama bin/panorama-cli lib/skylacer3/panorama lib/skylacer3/viewer.dat \
    lib/skylacer3/interfaces/quiltra.qml lib/skylacer3/interfaces/about.qml \
    lib/skylacer3/templates lib/skylacer3/help/index.html "lib/skylacer3/Support.url" \
    share/applications/skylacer3.desktop share/mime/packages/skylacer3.xml \
    share/icons/hicolor/48x48/apps/skylacer3.png; do
  [ -e "$prefix/$file" ] || { echo "missing after install: $file" >&2; exit 1; }
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
echo "installed panorama started from bin/ and ended normally"
