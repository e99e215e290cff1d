#!/usr/bin/env bash
# Makes sure the Debian packages the build (and, with "test", the test suite)
# needs are installed. As root it installs what is missing with apt-get;
# otherwise it names the missing packages and fails.
set -euo pipefail

build_packages=(cmake make g++ pkg-config libx11-dev libxext-dev libncurses-dev
                libgtest-dev libgmock-dev libbenchmark-dev libxdamage-dev libxtst-dev)
test_packages=(xvfb xauth xterm tmux openbox xfwm4 dbus-daemon man-db)

wanted=("${build_packages[@]}")
if [ "${1:-}" = test ]; then
  wanted+=("${test_packages[@]}")
fi

missing=()
for package in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "hilbert3d needs these Debian packages: ${missing[*]}" >&2
  echo "install them with:  sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
echo "installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
