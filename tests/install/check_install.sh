#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs into a fresh prefix and uses the installed program as a user would, with no display.
#   check_install.sh BUILD_DIR
set -euo pipefail
build_dir=$1
id=com.quenwick.Lumivex
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build_dir" --prefix "$prefix" >/dev/null
for f in bin/lumivex share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
         share/icons/hicolor/scalable/apps/$id.svg share/man/man1/lumivex.1.gz \
         share/lumivex/translations/lumivex_de.qm share/lumivex/translations/lumivex_fr.qm \
         share/lumivex/translations/lumivex_es.qm; do
  [ -f "$prefix/$f" ] || fail "not installed: $f"
done
for size in 48 128 256; do
  png=$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png
  file "$png" | grep -q "PNG image data, $size x $size" || fail "icon $png is not a $size px PNG"
done

samples=$prefix/share/lumivex/Samples
count=$(find "$samples" -type f | wc -l)
[ "$count" -gt 0 ] || fail "no samples installed"

lumivex() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/lumivex" "$@"; }
version=$(lumivex --version)
[ "$version" = "lumivex $(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build_dir/CMakeCache.txt")" ] \
  || fail "--version printed '$version'"

mkdir "$work/out"
lumivex --adjust brightness --strength 10 --quiet --output "$work/out" "$samples" \
  || fail "batch over the installed samples exited $?"
written=$(find "$work/out" -type f -name '*-brightened.jpg' | wc -l)
[ "$written" -eq "$count" ] || fail "$written results for $count samples"
for result in "$work/out"/*; do
  file "$result" | grep -q 'JPEG image data' || fail "$result is not a JPEG"
done
echo "installed $count samples; the installed program wrote $written results"
