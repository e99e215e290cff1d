#!/usr/bin/env bash
# Usage: install_test.sh BUILD_DIR BUILT_PROGRAM ICON_TOOL ICON_DIR VERSION
# Installs BUILD_DIR under a prefix of its own into a temporary DESTDIR and
# checks what lands there: the program, its manual page (rendered without a
# warning, with the version in its footer), a menu entry that
# desktop-file-validate passes, and the icon, which must be what ICON_TOOL
# makes now; then make uninstall must take every file away again.
set -euo pipefail
build=$1
program=$2
icon_tool=$3
icon_dir=$4
version=$5

fail() { echo "install test: $*" >&2; exit 1; }

stage=$(mktemp -d)
manifest=$build/install_manifest.txt
# The build's own manifest (of the user's last make install) is put back.
[ -f "$manifest" ] && cp -p "$manifest" "$stage.manifest"
trap 'rm -rf "$stage"; if [ -f "$stage.manifest" ]; then mv "$stage.manifest" "$manifest"; else rm -f "$manifest"; fi' EXIT
prefix=/opt/hilbert3d-test
DESTDIR=$stage cmake --install "$build" --prefix "$prefix" >/dev/null

root=$stage$prefix
binary=$root/bin/hilbert3d
page=$root/share/man/man1/hilbert3d.1.gz
entry=$root/share/applications/hilbert3d.desktop
icons=$root/share/icons/hicolor
svg=$icons/scalable/apps/hilbert3d.svg
expected=$(printf '%s\n' "$binary" "$page" "$entry" "$svg" "$icons/48x48/apps/hilbert3d.png" \
  "$icons/256x256/apps/hilbert3d.png" "$root/share/doc/hilbert3d/copyright" \
  "$root/share/doc/hilbert3d/changelog.gz" | sort)
installed=$(find "$stage" -type f | sort)
[ "$installed" = "$expected" ] || fail "installed files are not the expected ones: $installed"
cmp -s "$binary" "$program" || fail "the installed program differs from the built one"

warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "man warns about the page: $warnings"
rendered=$(MANWIDTH=80 man -l "$page" 2>/dev/null)
for heading in NAME SYNOPSIS DESCRIPTION KEYS ENVIRONMENT "EXIT STATUS"; do
  grep -q "^$heading\$" <<<"$rendered" || fail "the rendered page has no $heading section"
done
for variable in DISPLAY TERM LANG LC_ALL LC_CTYPE WINDOWID; do
  grep -qw "$variable" <<<"$rendered" || fail "the rendered page does not mention $variable"
done
tail -n 1 <<<"$rendered" | grep -q "^hilbert3d $version " || fail "the page's footer does not carry version $version"

report=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate rejects the entry: $report"
[ -z "$report" ] || fail "desktop-file-validate warns: $report"
for line in Exec=hilbert3d Terminal=true Icon=hilbert3d; do
  grep -qx "$line" "$entry" || fail "the menu entry has no $line"
done

# The icon is what the tool makes from the program's drawing now.
made=$stage/made
mkdir "$made"
"$icon_tool" "$made" || fail "the icon tool failed"
for file in hilbert3d.svg hilbert3d-48.png hilbert3d-256.png; do
  cmp -s "$made/$file" "$icon_dir/$file" || fail "$icon_dir/$file is not what the icon tool makes now; run it again"
done
cmp -s "$svg" "$made/hilbert3d.svg" || fail "the installed SVG icon is not the made one"
for size in 48 256; do
  cmp -s "$icons/${size}x$size/apps/hilbert3d.png" "$made/hilbert3d-$size.png" ||
    fail "the installed $size-pixel icon is not the made one"
  file -b "$icons/${size}x$size/apps/hilbert3d.png" | grep -q "^PNG image data, $size x $size," ||
    fail "the $size-pixel icon is not a PNG of that size"
done
file -b "$svg" | grep -q '^SVG' || fail "the scalable icon is not an SVG"
rm -r "$made"

DESTDIR=$stage cmake --build "$build" --target uninstall >/dev/null
left=$(find "$stage" -type f)
[ -z "$left" ] || fail "make uninstall left files: $left"
[ ! -e "$root/share/doc/hilbert3d" ] || fail "make uninstall left the folder share/doc/hilbert3d"
