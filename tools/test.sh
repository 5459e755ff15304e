#!/usr/bin/env bash
# Builds and runs every test: a plain build, then an AddressSanitizer +
# UndefinedBehaviorSanitizer build, then a bounded fuzz run of the sheet
# decoder. Installs what is missing first.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/tools/deps.sh"

# The committed formatting: .clang-format for C++, pyproject.toml for Python,
# as clang-format 14 and black 23 (Debian 12's) lay it out; other versions
# lay some lines out differently, so they are not asked.
cd "$top"
if clang-format --version | grep -q 'version 14\.'; then
  git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror
else
  echo "C++ formatting not checked: $(clang-format --version) is not clang-format 14"
fi
if black --version | grep -q '^black, 23\.'; then
  git ls-files '*.py' | xargs black -q --check
else
  echo "Python formatting not checked: $(black --version | head -1) is not black 23"
fi

cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$top/build" -j2
ctest --test-dir "$top/build" --output-on-failure -j2

cmake -S "$top" -B "$top/build-asan" -DCMAKE_BUILD_TYPE=Debug -DVORLUDIT_SANITIZE=ON -DVORLUDIT_BENCH=OFF >/dev/null
cmake --build "$top/build-asan" -j2
ASAN_OPTIONS=detect_leaks=0 ctest --test-dir "$top/build-asan" --output-on-failure -j2

cmake -S "$top" -B "$top/build-fuzz" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVORLUDIT_FUZZ=ON -DVORLUDIT_SANITIZE=ON -DVORLUDIT_BENCH=OFF >/dev/null
cmake --build "$top/build-fuzz" -j2 --target fuzz_sheet
ctest --test-dir "$top/build-fuzz" -R '^fuzz\.' --verbose
