#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Peak memory of a command-line batch over header-only pictures: PNG files of about 150 bytes
# whose header declares 23000 x 23000 pixels (2 GB each once decoded). Run with three jobs, once
# with the default budget and once with --memory below one picture, and print the peak resident
# size and wall time of each (GNU time, Debian package "time").
#   bench/memory_bombs.sh [path/to/lumivex]
set -euo pipefail
lumivex=${1:-$(cd "$(dirname "$0")/.." && pwd)/build/lumivex}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in" "$work/out"
python3 - "$work/in" <<'PY'
import struct, sys, zlib
def chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
for i in range(3):
    header = struct.pack('>IIBBBBB', 23000, 23000, 8, 2, 0, 0, 0)
    body = zlib.compress(b'\0' * 64)
    data = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'IDAT', body) + \
           chunk(b'tEXt', b'n\0%d' % i) + chunk(b'IEND', b'')
    open('%s/bomb%d.png' % (sys.argv[1], i), 'wb').write(data)
PY
for budget in "" "--memory 1500"; do
  echo "== --jobs 3 ${budget:-(default budget)}"
  /usr/bin/time -f "peak %M KB, %e s, exit %x" "$lumivex" --adjust brightness --strength 5 \
    --output "$work/out" --jobs 3 $budget "$work"/in/bomb*.png 2>&1 | sed "s|$work/||g" || true
done
