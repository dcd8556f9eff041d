#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fuzzes one decoder with libFuzzer (Debian's clang) under AddressSanitizer and
# UndefinedBehaviorSanitizer.
#
#   fuzz/run.sh FORMAT [SECONDS]    FORMAT: jpeg png gif bmp tiff webp heif jxl raw any metadata transcode
#
# Seeds are small pictures of the format written by the program's own encoders (and libheif's
# for HEIF). Every input that crashes, leaks or times out is copied to tests/codec/data/, where
# the codec tests decode it on every run.
set -euo pipefail
format=${1:?usage: fuzz/run.sh FORMAT [SECONDS]}
seconds=${2:-150}
root=$(cd "$(dirname "$0")/.." && pwd)
work=${LUMIVEX_FUZZ_DIR:-$root/build-fuzz}
mkdir -p "$work"

need=(clang-14 libclang-rt-14-dev libjpeg62-turbo-dev libpng-dev libtiff-dev libwebp-dev libheif-dev
      libexiv2-dev libjxl-dev libraw-dev qt6-base-dev)
missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update >/dev/null
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}" >/dev/null
fi

libs="Qt6Gui libjpeg libpng libtiff-4 libwebp libwebpmux libwebpdemux libheif exiv2 libjxl libraw_r"
sources=("$root"/core/codec/*.cpp "$root"/core/*.cpp)
binary=$work/fuzz_decode
seed_sources=("$root/fuzz/make_seeds.cpp" "$root/tests/codec/codec_testing.cpp")
newest=$(ls -t "${sources[@]}" "$root/fuzz/fuzz_decode.cpp" "${seed_sources[@]}" | head -1)
if [ ! -x "$binary" ] || [ ! -x "$work/make_seeds" ] || [ "$newest" -nt "$binary" ]; then
  flags=(-std=c++17 -g -O1 -fPIC -I"$root" $(pkg-config --cflags $libs) -DLUMIVEX_SUPPORT_ADDRESS='"fuzz"')
  clang++-14 "${flags[@]}" -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    "$root/fuzz/fuzz_decode.cpp" "${sources[@]}" $(pkg-config --libs $libs) -o "$binary"
  clang++-14 "${flags[@]}" -I"$root/tests/codec" "${seed_sources[@]}" "${sources[@]}" $(pkg-config --libs $libs) \
    -o "$work/make_seeds"
fi

seeds=$work/seeds-$format corpus=$work/corpus-$format findings=$work/findings-$format
mkdir -p "$seeds" "$corpus" "$findings"
QT_QPA_PLATFORM=offscreen "$work/make_seeds" "$format" "$seeds"
# The resident size counts the pixel pool, which keeps up to an eighth of the machine's memory of
# freed pictures for reuse: the limit allows for it. Leaks inside libdav1d (reached through
# libheif on damaged AV1 data) are the library's and are not reported.
pool_mb=$(( $(getconf _PHYS_PAGES) * $(getconf PAGE_SIZE) / 8 / 1048576 ))
LSAN_OPTIONS=suppressions=$root/fuzz/lsan.supp \
LUMIVEX_FUZZ_FORMAT=$format "$binary" "$corpus" "$seeds" -max_total_time="$seconds" -rss_limit_mb=$((pool_mb + 3072)) \
  -malloc_limit_mb=2600 -timeout=20 -max_len=65536 -artifact_prefix="$findings/" -print_final_stats=1 \
  2>&1 | tail -n 25 || true
kept=0
for f in "$findings"/*; do
  [ -f "$f" ] || continue
  cp "$f" "$root/tests/codec/data/$format-$(basename "$f")"
  kept=$((kept + 1))
done
echo "$format: $kept finding(s) kept in tests/codec/data/"
