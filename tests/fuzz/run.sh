#!/usr/bin/env bash
# run.sh FUZZER: fuzzes the sheet decoder for FUZZ_SECONDS (60) from four small good sheets
# made here: 16 rows bottom-up, top-down, a 124-byte header, 2 colours. Prints libFuzzer's
# run count; fails on a crash, leaving the crash file here.
set -u
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/corpus" && /usr/bin/python3 - "$work/corpus" <<'PY' || exit 1
import struct, sys
for name, h, header, n in ('up', 16, 40, 0), ('down', -16, 40, 0), ('v5', 16, 124, 0), ('two', 16, 40, 2):
    at, info = 14 + header + 4 * (n or 16), struct.pack('<IiiHHIIiiII', header, 208, h, 1, 4, 0, 1664, 0, 0, n, 0)
    head = struct.pack('<2sIII', b'BM', at + 1664, 0, at) + info.ljust(header, b'\0') + bytes(range(at - 14 - header))
    open(f'{sys.argv[1]}/{name}.bmp', 'wb').write(head + bytes(range(208)) * 8)
PY
"$1" -max_total_time="${FUZZ_SECONDS:-60}" -max_len=20000 "$work/corpus" >"$work/log" 2>&1
status=$?
grep -E '^Done [0-9]+ runs' "$work/log"
[ $status -eq 0 ] || tail -n 40 "$work/log"
exit $status
