#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# How saving grows with the number of files: tiny PNG sources written as BMP with --jobs 1, into
# a fresh folder and then again into the folder that now holds every output, for 1,000, 10,000
# and 100,000 files. A picture this small costs next to nothing to decode and encode, so what is
# timed is the saving itself: names, the source check, the writes, syncs and links. Linear
# saving gives about 10x from one size to the next and about 1x between the two runs of a size.
#
#   bench/save_scale.sh [FOLDER]     FOLDER: where the files go (default: a new one in $TMPDIR;
#                                    /dev/shm leaves out the disk's syncs)
#   SIZES="1000 10000" bench/save_scale.sh     other sizes
#   LUMIVEX=path/to/lumivex bench/save_scale.sh
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
lumivex=${LUMIVEX:-$here/../build/lumivex}
sizes=${SIZES:-"1000 10000 100000"}
if [[ $# -gt 0 ]]; then
    mkdir -p "$1"
    work=$(mktemp -d "$1/save-scale.XXXXXX")
else
    work=$(mktemp -d "${TMPDIR:-/tmp}/save-scale.XXXXXX")
fi
trap 'rm -rf "$work"' EXIT
[[ -x $lumivex ]] || { echo "no program at $lumivex (build first, or set LUMIVEX)" >&2; exit 2; }

# A 3 x 2 palette PNG, written by the shell itself so that 100,000 of them take seconds.
png='\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x00\x03\x00\x00\x00\x02\x01\x03\x00\x00\x00\xa7\xba\xf4\x59\x00\x00\x00\x03\x50\x4c\x54\x45\x33\x66\xaa\x84\xf3\xe0\xc4\x00\x00\x00\x0c\x49\x44\x41\x54\x08\xd7\x63\x60\x60\x60\x00\x00\x00\x04\x00\x01\x27\x34\x27\x0a\x00\x00\x00\x00\x49\x45\x4e\x44\xae\x42\x60\x82'

seconds() { date +%s.%N; }

# Seconds one run of the batch takes: every output must be written.
timed_save() {
    local sources=$1 out=$2 start end
    start=$(seconds)
    # Paths on standard input: no folder scan in what is timed, and any folder works (a scan
    # keeps out of /dev, and so of /dev/shm).
    printf '%s\0' "$sources"/*.png |
        "$lumivex" --adjust brightness --strength 10 --format bmp --jobs 1 --quiet --output "$out" -0 -
    end=$(seconds)
    awk -v a="$start" -v b="$end" 'BEGIN { print b - a }'
}

echo "files      fresh (s)   into a full folder (s)   full / fresh   fresh / previous size"
previous=""
previous_n=""
for n in $sizes; do
    sources=$work/src-$n out=$work/out-$n
    mkdir -p "$sources" "$out"
    for ((i = 0; i < n; ++i)); do
        printf "$png" >"$sources/p$i.png"
    done
    sync
    fresh=$(timed_save "$sources" "$out")
    written=$(find "$out" -name '*.bmp' | wc -l)
    [[ $written -eq $n ]] || { echo "only $written of $n files written" >&2; exit 1; }
    full=$(timed_save "$sources" "$out")
    growth="-"
    [[ -n $previous ]] && growth=$(awk -v a="$fresh" -v b="$previous" -v k=$((n / previous_n)) 'BEGIN { printf "%.2f (x%d files)", a / b, k }')
    printf "%-10d %-11.2f %-24.2f %-14.2f %s\n" "$n" "$fresh" "$full" "$(awk -v a="$full" -v b="$fresh" 'BEGIN { print a / b }')" "$growth"
    previous=$fresh
    previous_n=$n
    rm -rf "$sources" "$out"
done
