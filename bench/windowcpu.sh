#!/usr/bin/env bash
# Builds the editor and the floor program in Release and measures their CPU
# side by side in real windows under a private Xvfb; arguments are the
# number of rounds, the seconds per case and the zooms (default 3, 5 and
# 2,4,9).
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=Release -DVORLUDIT_BENCH=ON >/dev/null
cmake --build "$top/build" -j2 --target vorludit floorwindow
exec /usr/bin/python3 "$top/bench/windowcpu.py" "$top/build/vorludit" "$top/build/bench/floorwindow" "$top" "$@"
