#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Peak resident memory of a command-line batch writing PNG, TIFF and WebP under --memory: six
# 8000 x 6000 JPEGs (a photograph scaled up, with grain, so the outputs compress as photographs
# do), --jobs 4, one adjustment and a chain of two. Prints one line per run: format, adjustments,
# peak RSS (GNU time, Debian package "time"), wall time and exit status. The pictures are made
# once with ImageMagick and kept in the folder given (default /tmp/lumivex-encoder-memory).
#   bench/encoder_memory.sh [path/to/lumivex] [MEGABYTES] [FOLDER]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
lumivex=${1:-$here/build/lumivex}
budget=${2:-400}
pictures=${3:-/tmp/lumivex-encoder-memory}
mkdir -p "$pictures"
if [ ! -s "$pictures/big6.jpg" ]; then
  convert "$here/Samples/Harbour at dusk.jpg" -resize '8000x6000!' -attenuate 0.4 +noise Gaussian \
    -quality 90 "$pictures/big1.jpg"
  for i in 2 3 4 5 6; do cp "$pictures/big1.jpg" "$pictures/big$i.jpg"; done
fi
out=$(mktemp -d)
trap 'rm -rf "$out" "$out.time" "$out.errors"' EXIT
one=(--adjust brightness --strength 10)
chain=(--adjust brightness --strength 10 --adjust sharpening --strength 3)
printf '%-5s %-6s %10s %8s %5s\n' format run "peak MB" seconds exit
for format in png tiff webp; do
  for run in one chain; do
    if [ "$run" = one ]; then adjust=("${one[@]}"); else adjust=("${chain[@]}"); fi
    rm -rf "$out"/*
    /usr/bin/time -o "$out.time" -f '%M %e %x' "$lumivex" "${adjust[@]}" --format "$format" --quality 90 \
      --memory "$budget" --jobs 4 --quiet --output "$out" "$pictures"/big*.jpg >/dev/null 2>"$out.errors" || true
    read -r kb seconds status < <(tail -1 "$out.time")
    printf '%-5s %-6s %10d %8s %5s\n' "$format" "$run" $((kb / 1024)) "$seconds" "$status"
  done
done
