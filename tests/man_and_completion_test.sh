#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The manual pages render with man, and bash completes panorama-cli's commands and options.
# Usage: man_and_completion_test.sh BUILT_PAGES_FOLDER COMPLETION_SCRIPT
set -uo pipefail
pages=$1
completion=$2
failed=0
fail() { echo "FAILED: $*"; failed=1; }

command -v man >/dev/null || { echo "FAILED: man is not installed (scripts/setup --tests)"; exit 1; }
for page in panorama-cli panorama; do
  text=$(MANWIDTH=100 man -l "$pages/$page.1" 2>&1) || fail "man -l $page.1: $text"
  grep -q "^NAME" <<<"$text" || fail "$page.1 has no NAME section"
  grep -q "^ *$page - " <<<"$text" || fail "$page.1 does not name $page"
done
grep -q -- "--in-found-order" <(MANWIDTH=100 man -l "$pages/panorama-cli.1") ||
  fail "panorama-cli.1 lacks --in-found-order"

shopt -s extglob
source "$completion"
complete_words() {
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _panorama_cli
  echo "${COMPREPLY[*]}"
}
expect() {
  local want=$1
  shift
  local got
  got=$(complete_words "$@")
  [[ " $got " == *" $want "* ]] || fail "completing '$*' gave '$got', not '$want'"
}
expect stitch panorama-cli st
expect publish panorama-cli ""
expect --stitch-anyway panorama-cli stitch a.jpg --stitch-a
expect --hfov panorama-cli publish p.jpg --hf
expect import panorama-cli profiles im
expect show panorama-cli project ""
expect java: panorama-cli stitch a.jpg --html j
work=$(mktemp -d)
touch "$work/IMG_0001.jpg" "$work/notes.txt"
expect "$work/IMG_0001.jpg" panorama-cli stitch "$work/IMG"
[[ $(complete_words panorama-cli stitch "$work/no") == "" ]] || fail "a text file offered as a photo"
rm -r "$work"
exit $failed
