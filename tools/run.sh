#!/usr/bin/env bash
# Builds the editor and starts it in a scratch working folder (outside the
# tracked files), seeded with the GUI graphics and, when the folder has no
# sheet yet, the demo sheet. Edits made there stay there between runs, and
# graphics of the folder's own are kept.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
work=${VORLUDIT_WORK:-"$top/work"}
bash "$top/tools/deps.sh" run
cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$top/build" -j2 --target vorludit
mkdir -p "$work"
if [ ! -e "$work/vorlugfx.bmp" ]; then
  cp "$top/data/vorlugfx.bmp" "$work/"
fi
if [ ! -e "$work/1TIL0000.bmp" ] && [ ! -e "$work/2TIL0000.bmp" ] && [ ! -e "$work/3TIL0000.bmp" ]; then
  cp "$top/data/demo/1TIL0000.bmp" "$work/"
fi
cd "$work"
exec "$top/build/vorludit"
