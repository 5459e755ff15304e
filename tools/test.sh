#!/usr/bin/env bash
# Builds and runs every test: a plain build, its tests again on the classic
# SDL 1.2 library where the release offers it, then an AddressSanitizer +
# UndefinedBehaviorSanitizer build, then a bounded fuzz run of the sheet
# decoder. Installs what is missing first.
set -eu
shopt -s inherit_errexit
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/tools/deps.sh" test

# The classic SDL 1.2.15, which Debian 12 installs with the editor's
# package, unpacked under the build folder with the libraries it needs that
# the machine lacks; nothing is installed. Prints the folder to put first
# in LD_LIBRARY_PATH, or nothing where the release's libsdl1.2debian is
# sdl12-compat under the classic name (Debian 13).
classicsdl()
{
  apt-cache show --no-all-versions libsdl1.2debian 2>/dev/null | grep -q '^Source: libsdl1.2$' || return 0
  local dir="$top/build/classic-sdl" want=libsdl1.2debian get="" next p
  rm -rf "$dir"
  mkdir -p "$dir/debs"
  while [ -n "$want" ]; do # its dependencies, theirs and so on, that are not installed
    next=""
    for p in $want; do
      case " $get " in *" $p "*) continue ;; esac
      if [ "$p" != libsdl1.2debian ] && dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
        continue
      fi
      get="$get $p"
      next="$next $(apt-cache show --no-all-versions "$p" | sed -n 's/^\(Pre-\)\?Depends: //p' |
        tr ',' '\n' | sed 's/|.*//; s/(.*//; s/:any//; s/ //g')"
    done
    want=$next
  done
  (cd "$dir/debs" && apt-get download -q -o APT::Sandbox::User="$(id -un)" $get >&2)
  for p in "$dir"/debs/*.deb; do
    dpkg-deb -x "$p" "$dir"
  done
  local lib
  lib=$(find "$dir" -name 'libSDL-1.2.so.0' | head -1)
  [ -n "$lib" ] && dirname "$lib"
}

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

# What the last run in build folder $1 left out, and why: the unit tests'
# reasons follow their "Skipped" line, the window test's start "SKIPPED:".
skipped() {
  grep -h -A1 ': Skipped$' "$1/Testing/Temporary/LastTest.log" | grep -v -e ': Skipped$' -e '^--$' \
    | sed 's/^/skipped: /' || true
  grep -h '^SKIPPED: ' "$1/Testing/Temporary/LastTest.log" || true
}

cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$top/build" -j2
ctest --test-dir "$top/build" --output-on-failure -j2
skipped "$top/build"

# The package of that build: Debian's checker finds no error and no warning in it.
pkg=$(mktemp -d)
trap 'rm -rf "$pkg"' EXIT
cpack -G DEB -B "$pkg" --config "$top/build/CPackConfig.cmake" >/dev/null
TMPDIR="$pkg" lintian --fail-on error,warning "$pkg"/*.deb
echo "lintian: no error or warning in $(basename "$pkg"/*.deb)"
classic=$(classicsdl)
if [ -n "$classic" ]; then
  echo "The same tests on the classic SDL 1.2 library ($classic):"
  LD_LIBRARY_PATH="$classic" ctest --test-dir "$top/build" --output-on-failure -j2
else
  echo "The classic SDL 1.2 library: not offered by this release, its second run left out"
fi

cmake -S "$top" -B "$top/build-asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORLUDIT_SANITIZE=ON -DVORLUDIT_BENCH=OFF >/dev/null
cmake --build "$top/build-asan" -j2
# Optimised as the plain build is, or the sanitized tests take minutes.
# Debian 13's AddressSanitizer checks for stack use after return by
# default, which makes the random sessions several times slower than
# their time limit; Debian 12's does not.
ASAN_OPTIONS=detect_leaks=0:detect_stack_use_after_return=0 ctest --test-dir "$top/build-asan" --output-on-failure -j2

cmake -S "$top" -B "$top/build-fuzz" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVORLUDIT_FUZZ=ON -DVORLUDIT_SANITIZE=ON -DVORLUDIT_BENCH=OFF >/dev/null
cmake --build "$top/build-fuzz" -j2 --target fuzz_sheet
ctest --test-dir "$top/build-fuzz" -R '^fuzz\.' --verbose
