#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The translations are complete and current: po/skylacer3.pot is what xgettext takes from the
# marked sources today, and every po/LANGUAGE.po translates each of its texts, none fuzzy or
# left out, with the placeholders of the English text (msgfmt --check).
#   catalogue_check.sh SOURCE-TREE XGETTEXT MSGFMT
set -euo pipefail
root=$1
xgettext=$2
msgfmt=$3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
found=0

cmake -DXGETTEXT="$xgettext" -DROOT="$root" -DOUTPUT="$work/skylacer3.pot" \
  -P "$root/po/template.cmake"
if ! diff -u "$root/po/skylacer3.pot" "$work/skylacer3.pot"; then
  echo "po/skylacer3.pot is out of date with the marked texts: build the target pot, then" \
    "msgmerge --update each po/LANGUAGE.po with it and translate what it adds"
  found=1
fi

for po in "$root"/po/*.po; do
  language=$(basename "$po" .po)
  if ! statistics=$("$msgfmt" --check --statistics -o /dev/null "$po" 2>&1); then
    echo "po/$language.po: msgfmt --check fails: $statistics"
    found=1
  elif grep -qE "fuzzy|untranslated" <<<"$statistics"; then
    echo "po/$language.po is not complete: $statistics"
    found=1
  fi
  # Every text of the template translated (msgcmp counts neither fuzzy nor empty entries).
  if ! msgcmp "$po" "$work/skylacer3.pot" 2>&1; then
    echo "po/$language.po lacks translations of texts in the sources"
    found=1
  fi
done
exit $found
