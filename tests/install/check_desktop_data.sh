#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The launcher, the software-centre data and the manual page as desktops and man read them.
#   check_desktop_data.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source_dir=$1
build_dir=$2
id=com.quenwick.Lumivex
desktop=$source_dir/data/$id.desktop
metainfo=$build_dir/data/$id.metainfo.xml
fail() { echo "FAIL: $*" >&2; exit 1; }

desktop-file-validate "$desktop"
appstreamcli validate --no-net "$metainfo"

grep -qx 'Exec=lumivex %F' "$desktop" || fail "Exec must open the files the desktop hands over"
grep -qx 'Categories=Graphics;Photography;' "$desktop" || fail "Categories"
grep -qx "Icon=$id" "$desktop" || fail "Icon must name the installed icon"
# The program's X11 class instance (Qt takes it from the executable's name): docks match
# the window to its launcher by it.
grep -qx "StartupWMClass=lumivex" "$desktop" || fail "StartupWMClass must be the window's WM_CLASS"
mimes=$(sed -n 's/^MimeType=//p' "$desktop")
for type in image/jpeg image/png image/bmp image/gif image/tiff image/webp image/heic image/heif image/avif; do
  case ";$mimes" in *";$type;"*) ;; *) fail "MimeType lacks $type" ;; esac
  grep -q "<mediatype>$type</mediatype>" "$metainfo" || fail "metainfo lacks $type"
done
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" || fail "metainfo launchable"
grep -q "<project_license>GPL-3.0-or-later</project_license>" "$metainfo" || fail "metainfo project_license"
grep -q '<url type="homepage">https\?://' "$metainfo" || fail "metainfo homepage"
grep -q '<image>https\?://[^<]*\.png</image>' "$metainfo" || fail "metainfo screenshot"
grep -q '@[A-Z_]*@' "$metainfo" && fail "metainfo keeps an unsubstituted @VARIABLE@"
grep -q "<release version=\"$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build_dir/CMakeCache.txt")\"" "$metainfo" \
  || fail "metainfo release is not the project's version"

# groff names every macro or escape it does not understand; a clean page prints nothing.
warnings=$(groff -man -ww -z "$build_dir/data/lumivex.1" 2>&1)
[ -z "$warnings" ] || fail "manual page: $warnings"
page=$(groff -man -Tascii -P-cbou "$build_dir/data/lumivex.1")
for section in SYNOPSIS OPTIONS "THE WINDOW" "EXIT STATUS" FILES; do
  grep -q "^$section" <<<"$page" || fail "manual page lacks $section"
done
grep -q 'Lumivex.conf' <<<"$page" || fail "manual page does not name the settings file"
grep -q '@' "$build_dir/data/lumivex.1" && fail "manual page keeps an unsubstituted @VARIABLE@"
echo "desktop entry, metainfo and manual page are valid"
