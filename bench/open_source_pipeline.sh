#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Our whole stitch side by side with the best-known open-source stitcher's command-line pipeline,
# run the way its assistant runs it: control points (cpfind, multi-row), cleaning (cpclean),
# vertical lines (linefind), optimisation of positions, lens and photometry (autooptimiser
# -a -m -l -s), automatic canvas and crop (pano_modify), remapping (nona) and blending (enblend),
# each panorama written as a JPEG. Prints the best wall time of each over RUNS runs, and ours as a
# share of theirs.
#   bench/open_source_pipeline.sh PANORAMA_CLI PHOTO... [-- RUNS]   (default 3 runs)
# Needs Debian's hugin-tools and enblend (apt-get install hugin-tools enblend): a benchmark only.
set -euo pipefail
cli=$1
shift
photos=()
runs=3
while [ $# -gt 0 ]; do
  if [ "$1" = "--" ]; then runs=$2; break; fi
  photos+=("$(realpath "$1")")
  shift
done
for tool in pto_gen cpfind cpclean linefind autooptimiser pano_modify nona enblend; do
  command -v "$tool" >/dev/null ||
    { echo "open_source_pipeline: $tool is missing (apt-get install hugin-tools enblend)" >&2; exit 2; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

theirs() {
  cd "$work" && rm -f ./*.pto ./*.tif ./*.jpg
  pto_gen -o p.pto "${photos[@]}"
  cpfind --multirow -o p.pto p.pto
  cpclean -o p.pto p.pto
  linefind -o p.pto p.pto
  autooptimiser -a -m -l -s -o p.pto p.pto
  pano_modify --canvas=AUTO --crop=AUTO --ldr-file=JPG -o p.pto p.pto
  nona -m TIFF_m -o remapped p.pto
  enblend -o theirs.jpg remapped*.tif
}
ours() {
  "$cli" stitch -q "${photos[@]}" -o "$work/ours.jpg"
}
# Best wall time in seconds of `$1` over $runs runs (its output silenced).
best() {
  local fastest=""
  for _ in $(seq "$runs"); do
    local start end
    start=$(date +%s.%N)
    ( "$1" ) >/dev/null 2>&1 || { echo "open_source_pipeline: $1 failed" >&2; exit 1; }
    end=$(date +%s.%N)
    fastest=$(echo "$start $end ${fastest:-1e9}" | awk '{t = $2 - $1; print (t < $3 ? t : $3)}')
  done
  echo "$fastest"
}
their_time=$(best theirs)
our_time=$(best ours)
echo "photos: ${#photos[@]}, best of $runs runs, $(nproc) cores"
echo "open-source pipeline: ${their_time} s"
echo "panorama-cli stitch:  ${our_time} s"
echo "$our_time $their_time" | awk '{printf "ours / theirs: 1/%.1f\n", $2 / $1}'
