#!/usr/bin/env bash
# Installs, on Debian 12, whatever the build and the tests need and the
# machine does not have yet. Not run as root, it asks through sudo, or
# names what to install when there is no sudo.
set -eu
packages="g++ cmake make pkg-config libsdl1.2-compat-dev libgtest-dev libbenchmark-dev
  clang libclang-rt-14-dev xvfb xauth xdotool imagemagick python3 python3-xlib python3-pil libpng-dev
  dpkg-dev lintian desktop-file-utils acl clang-format black"
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null; then
    echo "missing:$missing; install them as root: apt-get install$missing" >&2
    exit 1
  fi
  sudo="sudo"
fi
echo "installing:$missing"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q $missing
