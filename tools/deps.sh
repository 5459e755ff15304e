#!/usr/bin/env bash
# Installs, on Debian 12 or 13, what the machine does not have yet of one
# of two sets of packages:
#   deps.sh [run]   what building and running the editor needs
#   deps.sh test    that, and what the tests, the benchmark and the
#                   package's checks need
# Not run as root, it asks through sudo, or names what to install when
# there is no sudo. Every name is one that both releases offer. The
# editor's set leaves out what its packages only recommend.
set -eu
run="g++ cmake make pkg-config libsdl1.2-compat-dev libx11-dev libpng-dev"
test="$run python3 libgtest-dev libbenchmark-dev clang libclang-rt-dev xvfb xauth xdotool imagemagick
  python3-xlib python3-pil dpkg-dev lintian desktop-file-utils acl e2fsprogs btrfs-progs dosfstools
  exfatprogs fusefat exfat-fuse clang-format black git"
case "${1:-run}" in
  run) packages=$run recommends=--no-install-recommends ;;
  test) packages=$test recommends="" ;;
  *)
    echo "usage: deps.sh [run | test]" >&2
    exit 2
    ;;
esac
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
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q $recommends $missing
