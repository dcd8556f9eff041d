#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The licence travels with the sources: its text at the top, and a licence line leading every
# source, build and script file, so a file copied out of the tree still says what it is under.
#   check_licence.sh SOURCE_DIR
set -euo pipefail
source_dir=$1
fail() { echo "FAIL: $*" >&2; exit 1; }
tag='SPDX-License-Identifier: GPL-3.0-or-later'

license=$source_dir/LICENSE
[ -f "$license" ] || fail "no LICENSE"
grep -q 'GNU GENERAL PUBLIC LICENSE' "$license" && grep -q 'Version 3, 29 June 2007' "$license" \
  || fail "LICENSE is not the GPL version 3"

# The project's own files: what git tracks (or would), else the tree without build folders.
list_files() {
  if git -C "$source_dir" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git -C "$source_dir" ls-files -z --cached --others --exclude-standard | sed -z "s|^|$source_dir/|"
  else
    find "$source_dir" \( -path "$source_dir/build*" -o -path "$source_dir/.git" \) -prune -o -type f -print0
  fi
}
missing=()
while IFS= read -r -d '' file; do
  [ -f "$file" ] || continue
  case "$file" in
    "$source_dir"/tests/codec/data/*) ;;
    *.cpp|*.h) [ "$(head -n1 "$file")" = "// $tag" ] || missing+=("$file") ;;
    *.sh|*/.ci/run) [ "$(sed -n 2p "$file")" = "# $tag" ] || missing+=("$file") ;;
    */CMakeLists.txt|*.cmake) [ "$(head -n1 "$file")" = "# $tag" ] || missing+=("$file") ;;
  esac
done < <(list_files)
[ ${#missing[@]} -eq 0 ] || fail "no '$tag' line at the top of: ${missing[*]}"
echo "every source, build and script file names its licence"
