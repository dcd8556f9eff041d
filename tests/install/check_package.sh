#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package and checks what it holds and depends on.
#   check_package.sh BUILD_DIR
set -euo pipefail
build_dir=$1
id=com.quenwick.Lumivex
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build_dir/CPackConfig.cmake" -B "$work" >/dev/null
debs=("$work"/lumivex_*.deb)
[ -f "${debs[0]}" ] || fail "no lumivex_*.deb was built"
deb=${debs[0]}

contents=$(dpkg-deb -c "$deb" | sed -E 's/^([^ ]+ +){5}//')
for f in ./usr/bin/lumivex ./usr/share/applications/$id.desktop ./usr/share/metainfo/$id.metainfo.xml \
         ./usr/share/icons/hicolor/scalable/apps/$id.svg ./usr/share/icons/hicolor/48x48/apps/$id.png \
         ./usr/share/icons/hicolor/128x128/apps/$id.png ./usr/share/icons/hicolor/256x256/apps/$id.png \
         ./usr/share/man/man1/lumivex.1.gz ./usr/share/lumivex/translations/lumivex_de.qm \
         ./usr/share/lumivex/translations/lumivex_fr.qm ./usr/share/lumivex/translations/lumivex_es.qm; do
  grep -qx "$f" <<<"$contents" || fail "package lacks $f"
done
for sample in "$(dirname "$0")"/../../Samples/*; do
  grep -qxF "./usr/share/lumivex/Samples/$(basename "$sample")" <<<"$contents" || fail "package lacks sample $sample"
done
# Nothing of the build (tests, benchmarks, tools) and nothing outside /usr.
stray=$(grep -v -e '^\./$' -e '^\./usr/$' -e '^\./usr/bin/$' -e '^\./usr/bin/lumivex$' -e '^\./usr/share/' <<<"$contents" || true)
[ -z "$stray" ] || fail "package holds more than it should: $stray"

depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libqt6gui6 libqt6core6 libc6 libheif1 libraw20 libjxl0.7; do
  grep -q "$lib" <<<"$depends" || fail "Depends ($depends) lacks $lib"
done
[ "$(dpkg-deb -f "$deb" Package)" = lumivex ] || fail "package name"

for f in ./usr/share/doc/lumivex/copyright ./usr/share/doc/lumivex/changelog.gz; do
  grep -qx "$f" <<<"$contents" || fail "package lacks $f"
done

# Debian's own checker, at its strictest: an error or a warning fails the package.
if ! command -v lintian >/dev/null; then
  fail "lintian is not installed (scripts/build.sh installs it)"
fi
report=$(lintian --pedantic --display-info "$deb" 2>&1 | grep -v '^running with root privileges' || true)
[ -z "$report" ] || echo "$report"
if grep -E '^[EW]: ' <<<"$report"; then
  fail "lintian reports errors or warnings"
fi

dpkg-deb -x "$deb" "$work/root"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$work/root/usr/bin/lumivex" --version >/dev/null \
  || fail "the packaged program does not start"
# The libraries loaded only when a file of theirs is met must not be named by the program, or
# every start pays for them again.
needed=$(objdump -p "$work/root/usr/bin/lumivex" | awk '/NEEDED/ {print $2}')
for lib in libheif libjxl; do
  ! grep -q "^$lib" <<<"$needed" || fail "the program links $lib, which it should load on first use"
done
echo "$(basename "$deb"): $(wc -l <<<"$contents") entries; Depends: $depends"
