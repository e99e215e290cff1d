#!/usr/bin/env bash
# Usage: install_test.sh BUILD_DIR BUILT_PROGRAM
# Installs BUILD_DIR under a prefix of its own into a temporary DESTDIR, then
# checks that exactly the program and its manual page land under that prefix
# and that man renders the page without a warning.
set -euo pipefail
build=$1
program=$2

fail() { echo "install test: $*" >&2; exit 1; }

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
prefix=/opt/hilbert3d-test
DESTDIR=$stage cmake --install "$build" --prefix "$prefix" >/dev/null

binary=$stage$prefix/bin/hilbert3d
page=$stage$prefix/share/man/man1/hilbert3d.1

[ -x "$binary" ] || fail "no executable at $binary"
cmp -s "$binary" "$program" || fail "the installed program differs from the built one"
[ -f "$page" ] || fail "no manual page at $page"
installed=$(find "$stage" -type f | sort)
expected=$(printf '%s\n' "$binary" "$page" | sort)
[ "$installed" = "$expected" ] || fail "installed files other than the two expected: $installed"

warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "man warns about the page: $warnings"
rendered=$(MANWIDTH=80 man -l "$page" 2>/dev/null)
for heading in NAME SYNOPSIS DESCRIPTION KEYS ENVIRONMENT "EXIT STATUS"; do
  grep -q "^$heading\$" <<<"$rendered" || fail "the rendered page has no $heading section"
done
for variable in DISPLAY TERM LANG LC_ALL LC_CTYPE WINDOWID; do
  grep -qw "$variable" <<<"$rendered" || fail "the rendered page does not mention $variable"
done
