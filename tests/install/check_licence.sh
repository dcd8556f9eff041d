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

missing=()
while IFS= read -r -d '' file; do
  case "$file" in
    *.cpp|*.h) [ "$(head -n1 "$file")" = "// $tag" ] || missing+=("$file") ;;
    *.sh|*/.ci/run) [ "$(sed -n 2p "$file")" = "# $tag" ] || missing+=("$file") ;;
    *) [ "$(head -n1 "$file")" = "# $tag" ] || missing+=("$file") ;;
  esac
done < <(find "$source_dir" \( -path "$source_dir/build*" -o -path "$source_dir/.git" -o -path "$source_dir/tests/codec/data" \
                                -o -path "$source_dir/bench-corpus" \) -prune -o -type f \
              \( -name '*.cpp' -o -name '*.h' -o -name '*.sh' -o -name CMakeLists.txt -o -name '*.cmake' \
                 -o -path "$source_dir/.ci/run" \) -print0)
[ ${#missing[@]} -eq 0 ] || fail "no '$tag' line at the top of: ${missing[*]}"
echo "every source, build and script file names its licence"
