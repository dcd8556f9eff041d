#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Times Lumivex's command line against the tools people use for the same job, on the same files:
# ImageMagick, GraphicsMagick, the libvips CLI, and the bare libjpeg-turbo pipeline
# djpeg | cjpeg (decode and encode with nothing in between), and the codec floor: libjpeg-turbo
# decode-only then encode-only of the same files from memory at the same parallelism
# (bench/codec_floor), which any program decoding and re-encoding with libjpeg-turbo must
# spend. JPEG quality 85 everywhere.
#
#   bench/compare_peers.sh [RUNS]     RUNS: repetitions per cell, median reported (default 3)
#   LUMIVEX_BENCH_KINDS="contrast" bench/compare_peers.sh    only some adjustments
#   LUMIVEX_BENCH_JOBS="1 2 16"  job counts (default: 1, 2 and every core the machine has)
#   LUMIVEX_BENCH_PEERS=0        Lumivex against the floor only (quick), with the cost of one more
#                                picture apart from the program's start
#   LUMIVEX_BENCH_BASELINE=PROG  another build of Lumivex (an older commit's) against this one and
#                                the floor, the three in turns within each run, so that a change is
#                                judged on one machine state rather than across two runs
#
# The corpus: real photographs from Debian's mate-backgrounds package, re-encoded to twenty
# 12-megapixel (4000 x 3000) JPEGs at quality 90, kept in build/bench-corpus.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LUMIVEX_BUILD_DIR:-$root/build}
runs=${1:-3}

peers=${LUMIVEX_BENCH_PEERS:-1}
need=(libjpeg-turbo-progs mate-backgrounds imagemagick)
[ "$peers" = 0 ] || need+=(graphicsmagick libvips-tools)
missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update >/dev/null
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}" >/dev/null
fi
[ -x "$build/lumivex" ] && [ -x "$build/codec_floor" ] || bash "$root/scripts/build.sh" test >/dev/null

corpus=$build/bench-corpus
if [ "$(ls "$corpus"/*.jpg 2>/dev/null | wc -l)" -ne 20 ]; then
  rm -rf "$corpus"; mkdir -p "$corpus"
  mapfile -t photos < <(ls /usr/share/backgrounds/mate/nature/*.jpg | sort)
  for i in $(seq 0 19); do
    src=${photos[$((i % ${#photos[@]}))]}
    flip=""; [ $((i / ${#photos[@]})) -eq 1 ] && flip="-flop"
    convert "$src" $flip -resize 4000x3000^ -gravity center -extent 4000x3000 -quality 90 \
      "$corpus/photo$(printf %02d "$i").jpg"
  done
fi

out=$(mktemp -d)
now() { date +%s.%N; }
median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

# One timed command; the output folder is emptied first.
timeit() {
  local times=()
  for _ in $(seq "$runs"); do
    rm -rf "$out"/*; sync
    local t0; t0=$(now)
    bash -c "$1" >/dev/null 2>&1 || { echo "failed: $1" >&2; }
    local t1; t1=$(now)
    times+=("$(echo "$t1 - $t0" | bc -l)")
  done
  printf '%s\n' "${times[@]}" | median
}

# The nearest equivalent of each adjustment in every peer (strengths: 20, 75, 5, 5).
im_op()  { case $1 in brightness) echo "-brightness-contrast 20x0";; contrast) echo "-level 25%,75%";;
           softening) echo "-define convolve:scale=! -morphology Convolve 3x3:5,5,5,5,8,5,5,5,5";;
           sharpening) echo "-morphology Convolve 3x3:-5,-5,-5,-5,42,-5,-5,-5,-5";; esac; }
gm_op()  { case $1 in brightness) echo "-modulate 120";; contrast) echo "-level 25%,75%";;
           softening) echo "-convolve 5,5,5,5,8,5,5,5,5";; sharpening) echo "-sharpen 0x1";; esac; }
work=$(mktemp -d)
trap 'rm -rf "$out" "$work"' EXIT
printf '3 3 48 0\n5 5 5\n5 8 5\n5 5 5\n' > "$work/soft.mat"
# vips takes one picture per call: a small script per adjustment, run once per file.
vips_script() {
  local op
  case $1 in
    brightness) op='linear -- "$1" "$o" 1 51';;
    contrast) op='linear -- "$1" "$o" 3 -255';;
    softening) op="conv -- \"\$1\" \"\$o\" $work/soft.mat";;
    sharpening) op='sharpen -- "$1" "$o"';;
  esac
  printf '#!/bin/sh\no="%s/$(basename "$1")[Q=85]"\nexec vips %s\n' "$out" "$op" > "$work/vips-$1.sh"
  chmod +x "$work/vips-$1.sh"
  echo "$work/vips-$1.sh"
}

declare -A strength=([brightness]=20 [contrast]=75 [softening]=5 [sharpening]=5)
files="$corpus/*.jpg"
# The floor reads the files before its clock starts and prints its own time.
floor_time() {
  local times=()
  for _ in $(seq "$runs"); do
    times+=("$("$build/codec_floor" --jobs "$1" --quality 85 $files | awk '{print $6}')")
  done
  printf '%s\n' "${times[@]}" | median
}
job_counts=${LUMIVEX_BENCH_JOBS:-$(printf '%s\n' 1 2 "$(nproc)" | sort -nu | tr '\n' ' ')}
declare -A floor
for jobs in $job_counts; do floor[$jobs]=$(floor_time "$jobs"); done

# The same floor as libjpeg-turbo's own programs give it, the way a script runs them: djpeg
# decoding each file to nothing, then cjpeg -quality 85 encoding each picture from its decoded
# PPM already in memory (/dev/shm), a process per file, at the same parallelism. It pays what the
# library floor leaves out (a process per file, reading and writing through stdio), as Lumivex
# pays its own start and files.
ppm=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
trap 'rm -rf "$out" "$work" "$ppm"' EXIT
for f in $files; do djpeg -outfile "$ppm/$(basename "$f" .jpg).ppm" "$f"; done
tools_time() {
  local times=()
  for _ in $(seq "$runs"); do
    local t0 t1
    t0=$(now)
    ls $files | xargs -P "$1" -I{} djpeg -outfile /dev/null {}
    ls "$ppm"/*.ppm | xargs -P "$1" -I{} cjpeg -quality 85 -outfile /dev/null {}
    t1=$(now)
    times+=("$(echo "$t1 - $t0" | bc -l)")
  done
  printf '%s\n' "${times[@]}" | median
}
declare -A tools
for jobs in $job_counts; do tools[$jobs]=$(tools_time "$jobs"); done

# Lumivex and the floor in turns, each Lumivex run over the floor run right after it, so both of a
# pair see the same machine (a shared virtual machine's speed drifts by 10-20% within minutes).
# floor*: the same floor with the encoding phase coding Lumivex's own results (decoded again
# first), whose content may cost the encoder more than the sources' (sharpening adds detail).
pairs() {
  local kind=$1 jobs=$2 ratios=() likes=() times=()
  for _ in $(seq "$runs"); do
    rm -rf "$out"/*; sync
    local t0 t1 f g
    t0=$(now)
    "$build/lumivex" --adjust "$kind" --strength "${strength[$kind]}" --output "$out" --quality 85 --jobs "$jobs" \
      --quiet $files >/dev/null 2>&1 || echo "failed: lumivex $kind" >&2
    t1=$(now)
    f=$("$build/codec_floor" --jobs "$jobs" --quality 85 $files | awk '{print $6}')
    g=$("$build/codec_floor" --jobs "$jobs" --quality 85 $files --encode-like "$out"/*.jpg | awk '{print $6}')
    times+=("$(echo "$t1 - $t0" | bc -l)")
    ratios+=("$(echo "($t1 - $t0) / $f" | bc -l)")
    likes+=("$(echo "($t1 - $t0) / $g" | bc -l)")
  done
  printf '%s %s %s\n' "$(printf '%s\n' "${times[@]}" | median)" "$(printf '%s\n' "${ratios[@]}" | median)" \
    "$(printf '%s\n' "${likes[@]}" | median)"
}

# What one more picture costs, without the program's start and the run's first and last moments:
# the same corpus twice over (under other names) less the corpus once, for Lumivex and the floor
# alike, in turns.
twice=$build/bench-corpus-twice
if [ "$(ls "$twice"/*.jpg 2>/dev/null | wc -l)" -ne 40 ]; then
  rm -rf "$twice"; mkdir -p "$twice"
  for f in "$corpus"/*.jpg; do b=$(basename "$f" .jpg); ln -f "$f" "$twice/${b}a.jpg"; ln -f "$f" "$twice/${b}b.jpg"; done
fi
per_picture() {
  local kind=$1 jobs=$2 ratios=()
  for _ in $(seq "$runs"); do
    local t=() f=()
    for set in "$files" "$twice/*.jpg"; do
      rm -rf "$out"/*; sync
      local t0 t1
      t0=$(now)
      "$build/lumivex" --adjust "$kind" --strength "${strength[$kind]}" --output "$out" --quality 85 --jobs "$jobs" \
        --quiet $set >/dev/null 2>&1 || echo "failed: lumivex $kind" >&2
      t1=$(now)
      t+=("$(echo "$t1 - $t0" | bc -l)")
      f+=("$("$build/codec_floor" --jobs "$jobs" --quality 85 $set | awk '{print $6}')")
    done
    ratios+=("$(echo "(${t[1]} - ${t[0]}) / (${f[1]} - ${f[0]})" | bc -l)")
  done
  printf '%s\n' "${ratios[@]}" | median
}

# Two builds and the floor in turns, the order of the two builds swapped every run, so drift
# in a shared machine's speed falls on both alike.
baseline=${LUMIVEX_BENCH_BASELINE:-}
run_one() {
  rm -rf "$out"/*; sync
  local t0 t1
  t0=$(now)
  "$1" --adjust "$2" --strength "${strength[$2]}" --output "$out" --quality 85 --jobs "$3" --quiet $4 >/dev/null 2>&1 ||
    echo "failed: $1 $2" >&2
  t1=$(now)
  echo "$t1 - $t0" | bc -l
}
against_baseline() {
  local kind=$1 jobs=$2 old=() new=() oldr=() newr=() speed=() oldp=() newp=()
  for r in $(seq "$runs"); do
    local a b f a2 b2 f2
    if [ $((r % 2)) = 1 ]; then
      a=$(run_one "$baseline" "$kind" "$jobs" "$files"); b=$(run_one "$build/lumivex" "$kind" "$jobs" "$files")
    else
      b=$(run_one "$build/lumivex" "$kind" "$jobs" "$files"); a=$(run_one "$baseline" "$kind" "$jobs" "$files")
    fi
    f=$("$build/codec_floor" --jobs "$jobs" --quality 85 $files | awk '{print $6}')
    a2=$(run_one "$baseline" "$kind" "$jobs" "$twice/*.jpg"); b2=$(run_one "$build/lumivex" "$kind" "$jobs" "$twice/*.jpg")
    f2=$("$build/codec_floor" --jobs "$jobs" --quality 85 $twice/*.jpg | awk '{print $6}')
    old+=("$a"); new+=("$b")
    oldr+=("$(echo "$a / $f" | bc -l)"); newr+=("$(echo "$b / $f" | bc -l)"); speed+=("$(echo "$b / $a" | bc -l)")
    oldp+=("$(echo "($a2 - $a) / ($f2 - $f)" | bc -l)"); newp+=("$(echo "($b2 - $b) / ($f2 - $f)" | bc -l)")
  done
  local m=()
  for v in old new oldr newr speed oldp newp; do
    local -n arr=$v
    m+=("$(printf '%s\n' "${arr[@]}" | median)")
  done
  printf '%-11s %4s %9.2f %9.2f %9.2f %13.2f %13.2f %13.2f %13.2f\n' "$kind" "$jobs" "${m[0]}" "${m[1]}" "${m[4]}" \
    "${m[2]}" "${m[3]}" "${m[5]}" "${m[6]}"
}
if [ -n "$baseline" ]; then
  start_of() { for _ in $(seq 9); do t0=$(now); "$1" --version >/dev/null; t1=$(now); echo "$t1 - $t0" | bc -l; done | median; }
  printf '%-11s %4s %9s %9s %9s %13s %13s %13s %13s\n' adjustment jobs before after after/before before/floor \
    after/floor "before/floor1" "after/floor1"
  for kind in ${LUMIVEX_BENCH_KINDS:-brightness contrast softening sharpening}; do
    for jobs in $job_counts; do against_baseline "$kind" "$jobs"; done
  done
  echo "seconds, medians of $runs runs; in each run both builds and the floor ran in turns on the same files"
  echo "before: $baseline; after: $build/lumivex; floor: libjpeg-turbo decode-only plus encode-only from memory"
  echo "floor1: one more picture, (40 pictures - 20 pictures) over the same for the floor, so without the start"
  printf 'start (--version): before %.3f s, after %.3f s\n' "$(start_of "$baseline")" "$(start_of "$build/lumivex")"
  exit 0
fi

if [ "$peers" = 0 ]; then
  start=$(for _ in $(seq 9); do t0=$(now); "$build/lumivex" --version >/dev/null; t1=$(now); echo "$t1 - $t0" | bc -l; done | median)
  printf '%-11s %4s %9s %9s %14s %15s %18s %9s %14s\n' adjustment jobs lumivex floor lumivex/floor lumivex/floor* \
    "per picture/floor" tools lumivex/tools
  for kind in ${LUMIVEX_BENCH_KINDS:-brightness contrast softening sharpening}; do
    for jobs in $job_counts; do
      read -r l r rl < <(pairs "$kind" "$jobs")
      m=$(per_picture "$kind" "$jobs")
      printf '%-11s %4s %9.2f %9.2f %14.2f %15.2f %18.2f %9.2f %14.2f\n' "$kind" "$jobs" "$l" "${floor[$jobs]}" "$r" "$rl" "$m" \
        "${tools[$jobs]}" "$(echo "$l / ${tools[$jobs]}" | bc -l)"
    done
  done
  echo "seconds, medians of $runs; ratios are medians of each run over the floor run beside it"
  echo "the floor is libjpeg-turbo decode-only plus encode-only from memory; floor*: encoding Lumivex's results"
  echo "per picture: (40 pictures - 20 pictures) for Lumivex over the same for the floor, so without the start"
  echo "tools: the floor by libjpeg-turbo's programs, djpeg to nothing then cjpeg from PPMs in memory, a process per file"
  printf 'Lumivex times include starting the program: %.3f s (lumivex --version)\n' "$start"
  exit 0
fi

start=$(for _ in $(seq 9); do t0=$(now); "$build/lumivex" --version >/dev/null; t1=$(now); echo "$t1 - $t0" | bc -l; done | median)
printf '%-11s %4s %8s %7s %7s %7s %11s %7s %13s %13s %14s %15s %7s %14s\n' adjustment jobs lumivex magick gm vips djpeg+cjpeg \
  floor lumivex/peer lumivex/pipe lumivex/floor lumivex/floor* tools lumivex/tools
for kind in ${LUMIVEX_BENCH_KINDS:-brightness contrast softening sharpening}; do
  for jobs in $job_counts; do
    per=$(( (20 + jobs - 1) / jobs ))
    read -r l r rl < <(pairs "$kind" "$jobs")
    m=$(timeit "ls $files | xargs -P $jobs -n $per mogrify -path '$out' $(im_op $kind) -quality 85")
    g=$(timeit "cd '$corpus' && ls *.jpg | xargs -P $jobs -n $per gm mogrify -output-directory '$out' $(gm_op $kind) -quality 85")
    v=$(timeit "ls $files | xargs -P $jobs -n 1 $(vips_script $kind)")
    p=$(timeit "ls $files | xargs -P $jobs -I{} sh -c 'djpeg {} | cjpeg -quality 85 > $out/\$(basename {})'")
    best=$(printf '%s\n' "$m" "$g" "$v" | sort -g | head -1)
    printf '%-11s %4s %8.2f %7.2f %7.2f %7.2f %11.2f %7.2f %13.2f %13.2f %14.2f %15.2f %7.2f %14.2f\n' "$kind" "$jobs" "$l" "$m" \
      "$g" "$v" "$p" "${floor[$jobs]}" "$(echo "$l / $best" | bc -l)" "$(echo "$l / $p" | bc -l)" "$r" "$rl" "${tools[$jobs]}" \
      "$(echo "$l / ${tools[$jobs]}" | bc -l)"
  done
done
echo "seconds, medians of $runs; ratios below 1 mean Lumivex is faster; floor ratios are medians of each"
echo "Lumivex run over the floor run beside it; floor*: the floor encoding Lumivex's own results;"
echo "tools: the floor by libjpeg-turbo's programs, djpeg to nothing then cjpeg from PPMs in memory, a process per file"
printf 'Lumivex times include starting the program: %.3f s (lumivex --version)\n' "$start"
