#!/usr/bin/env bash
# Usage: package_test.sh BUILD_DIR VERSION
# Builds the Debian package of BUILD_DIR with CPack in a scratch folder and
# checks its files, its control fields and what lintian says of it. As root
# (as CI runs) and where no hilbert3d is installed yet, it also installs the
# package with dpkg (its dependencies are here: it was built against them),
# runs the program from the PATH in tmux, finds its manual page, purges the
# package and checks that no file of it is left.
set -euo pipefail
build=$1
version=$2

fail() { echo "package test: $*" >&2; exit 1; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
(cd "$build" && cpack -B "$scratch" >"$scratch/cpack.log" 2>&1) || fail "cpack failed: $(cat "$scratch/cpack.log")"
deb=$scratch/hilbert3d_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no package $deb: $(ls "$scratch")"

files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }' | sort)
icons=/usr/share/icons/hicolor
expected=$(printf '%s\n' /usr/bin/hilbert3d /usr/share/man/man1/hilbert3d.1.gz \
  /usr/share/applications/hilbert3d.desktop $icons/scalable/apps/hilbert3d.svg \
  $icons/48x48/apps/hilbert3d.png $icons/256x256/apps/hilbert3d.png \
  /usr/share/doc/hilbert3d/copyright /usr/share/doc/hilbert3d/changelog.gz | sort)
[ "$files" = "$expected" ] || fail "the package holds other files than expected: $files"
owners=$(dpkg-deb -c "$deb" | awk '{ print $2 }' | sort -u)
[ "$owners" = root/root ] || fail "files in the package are owned by $owners"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = hilbert3d ] || fail "Package is $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version is $(field Version), not $version"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture is $(field Architecture)"
[ "$(field Section)" = math ] || fail "Section is $(field Section)"
field Maintainer | grep -Eq '^[^<>]+ <[^<>@ ]+@[^<>@ ]+>$' || fail "Maintainer is '$(field Maintainer)'"
[ "$(field Description | wc -l)" -gt 2 ] || fail "the description has no long part: $(field Description)"
# Depends comes from the libraries the program links.
for library in libc6 libstdc++6 libx11-6 libxext6 libtinfo6; do
  field Depends | tr ',' '\n' | sed 's/^ //; s/ .*//' | grep -qxF "$library" || fail "Depends lacks $library: $(field Depends)"
done

dpkg-deb -x "$deb" "$scratch/unpacked"
file -b "$scratch/unpacked/usr/bin/hilbert3d" | grep -q ', stripped' || fail "the packaged program is not stripped"
gzip -t "$scratch/unpacked/usr/share/man/man1/hilbert3d.1.gz" || fail "the packaged manual page is not gzip"
# lintian takes a while; it looks at the package while it is installed and removed.
lintian --fail-on error "$deb" >"$scratch/lintian.log" 2>&1 &
lintian=$!
lintianSays() {
  wait "$lintian" || fail "lintian reports errors: $(cat "$scratch/lintian.log")"
  exit 0
}

[ "$(id -u)" -eq 0 ] || { echo "not root: the package is not installed"; lintianSays; }
if dpkg-query -W -f='${Status}' hilbert3d 2>/dev/null | grep -qx 'install ok installed'; then
  echo "a hilbert3d package is installed already: it is left alone"
  lintianSays
fi
for file in $files; do
  [ ! -e "$file" ] || { echo "$file exists already: the package is not installed"; lintianSays; }
done

socket=h3d-package-$$
trap 'tmux -L $socket kill-server 2>/dev/null || true; dpkg --purge hilbert3d >/dev/null 2>&1 || true; rm -rf "$scratch"' EXIT
dpkg -i "$deb" >"$scratch/dpkg.log" 2>&1 || fail "dpkg -i failed: $(cat "$scratch/dpkg.log")"
[ "$(command -v hilbert3d)" = /usr/bin/hilbert3d ] || fail "hilbert3d is not on the PATH as /usr/bin/hilbert3d"
[ "$(man -w hilbert3d)" = /usr/share/man/man1/hilbert3d.1.gz ] || fail "man finds $(man -w hilbert3d 2>&1)"
# Started from the PATH in a terminal (no display), it shows the panel and ends on Esc with status 0.
tmux -L "$socket" -f /dev/null new-session -d -x 80 -y 25 \
  "env -u DISPLAY hilbert3d; echo \$? >$scratch/status; sleep 30"
for _ in $(seq 100); do
  tmux -L "$socket" capture-pane -p | grep -q 'Drawing level:' && break
  sleep 0.1
done
tmux -L "$socket" send-keys Escape
for _ in $(seq 100); do [ -s "$scratch/status" ] && break; sleep 0.1; done
[ "$(cat "$scratch/status" 2>/dev/null)" = 0 ] || fail "hilbert3d from the PATH did not end with status 0 on Esc"
tmux -L "$socket" kill-server

dpkg --purge hilbert3d >"$scratch/dpkg.log" 2>&1 || fail "dpkg --purge failed: $(cat "$scratch/dpkg.log")"
trap 'rm -rf "$scratch"' EXIT
for file in $files /usr/share/doc/hilbert3d; do
  [ ! -e "$file" ] || fail "dpkg --purge left $file"
done
! dpkg-query -W -f='${Status}' hilbert3d 2>/dev/null | grep -qx 'install ok installed' || fail "the package is still installed"
lintianSays
