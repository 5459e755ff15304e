#!/usr/bin/env bash
# Installs, on Debian 12, whatever the build and the tests need and the
# machine does not have yet. Uses sudo when not run as root.
set -eu
packages="g++ cmake make pkg-config libsdl1.2-compat-dev libgtest-dev libbenchmark-dev
  clang libclang-rt-14-dev xvfb xauth xdotool imagemagick python3 python3-xlib python3-pil libpng-dev acl"
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "installing:$missing"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q $missing
