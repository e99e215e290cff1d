#!/usr/bin/env bash
# Usage: install-deps.sh [test] [package]
# Makes sure the Debian packages the program's build needs are installed,
# with "test" also those of the tests, benchmarks and test tools (which
# build and inspect the package too), with "package" those that make the
# Debian package. As root it installs what is missing with apt-get;
# otherwise it names the missing packages and fails.
set -euo pipefail

build_packages=(cmake make g++ pkg-config libx11-dev libxext-dev libncurses-dev)
package_packages=(dpkg-dev file)
test_packages=(libgtest-dev libgmock-dev libbenchmark-dev libxdamage-dev libxtst-dev
               xvfb xauth xterm tmux openbox xfwm4 dbus-daemon man-db desktop-file-utils lintian
               "${package_packages[@]}")

wanted=("${build_packages[@]}")
for extra in "$@"; do
  case $extra in
    test) wanted+=("${test_packages[@]}") ;;
    package) wanted+=("${package_packages[@]}") ;;
    *) echo "install-deps.sh: unknown set $extra" >&2; exit 2 ;;
  esac
done

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
