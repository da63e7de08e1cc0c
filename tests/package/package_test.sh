#!/usr/bin/env bash
# The Debian package as a user gets it: built by cpack from the build folder, unpacked into a
# fresh root (dpkg-deb -x; nothing on the system changes), laid out as Linux programs are, its
# dependencies naming every package whose files its executables load, and the copy in the root
# rendering the sample store. Exit status 77 (skipped) where the Debian tools are missing.
# Usage: package_test.sh BUILD_DIR SAMPLES_DIR
set -euo pipefail
# Under pipefail a reader that stops early (grep -q, head) would end its writer with SIGPIPE and
# fail the pipeline at random: every reader here reads its input to the end.
build=$1
samples=$2

for tool in cpack dpkg-deb dpkg-query dpkg-shlibdeps readelf ldconfig; do
  if ! command -v "$tool" >/dev/null; then
    echo "package test skipped: $tool is not installed (Debian's dpkg-dev, binutils)"
    exit 77
  fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "package test: $*" >&2
  exit 1
}

if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/package" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log" >&2
  fail "cpack failed"
fi
deb=$(find "$work/package" -maxdepth 1 -name '*.deb' | sed -n 1p)
[ -n "$deb" ] || fail "cpack made no .deb"
root=$work/root
dpkg-deb -x "$deb" "$root"

# The layout: executables in bin/, what they read in share/pocketta-widget/, the manual page and
# completions where man and the shells look.
for path in usr/bin/pocketta-widget usr/bin/pocketta-widget-preview \
  usr/share/pocketta-widget/strings/en.strings usr/share/pocketta-widget/icu \
  usr/share/man/man1/pocketta-widget.1 usr/share/bash-completion/completions/pocketta-widget \
  usr/share/zsh/vendor-completions/_pocketta-widget; do
  [ -e "$root/$path" ] || fail "the package lacks /$path"
done

# The packages named by Depends (and Recommends, for what is opened with dlopen).
names() { tr ',|' '\n\n' | sed -e 's/(.*)//' -e 's/^ *//' -e 's/ *$//' | grep -v '^$' || true; }
depends=$(dpkg-deb -f "$deb" Depends | names)
recommends=$(dpkg-deb -f "$deb" Recommends | names)
declared() { grep -qx "$1" <<<"$depends"; }

# The package that holds a file of the system, with or without Debian's merged /usr.
owner() {
  local path=$1 candidate
  for candidate in "$path" "$(readlink -f "$path")" "${path#/usr}" "/usr$path"; do
    if dpkg-query -S "$candidate" >/dev/null 2>&1; then
      dpkg-query -S "$candidate" | sed -n 1p | cut -d: -f1
      return
    fi
  done
  echo "?"
}

# Every shared library an executable needs comes from a declared dependency, or from libc.
for executable in "$root"/usr/bin/*; do
  for library in $(readelf -d "$executable" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
    path=$(ldconfig -p | awk -v lib="$library" '$1 == lib && /x86-64|x86_64/ && !found {print $NF; found = 1}')
    [ -n "$path" ] || fail "$(basename "$executable") needs $library, which this system lacks"
    package=$(owner "$path")
    [ "$package" = libc6 ] || declared "$package" ||
      fail "$(basename "$executable") needs $library from $package, which Depends does not name"
  done
done
# chafa, opened only to draw in a terminal, is recommended.
printf '%s\n%s\n' "$depends" "$recommends" | grep -x libchafa0 >/dev/null ||
  fail "neither Depends nor Recommends names libchafa0"

# The copy in the root renders the sample store, reading its resources from the root's share/.
widget=$root/usr/bin/pocketta-widget
"$widget" --version | grep '^pocketta-widget ' >/dev/null || fail "--version"
trace=()
# The leak checker of a sanitized build cannot run under ptrace: it is turned off for this run.
command -v strace >/dev/null &&
  trace=(env "ASAN_OPTIONS=${ASAN_OPTIONS:-}:detect_leaks=0" strace -f -qq -e trace=openat -o "$work/trace")
"${trace[@]}" "$widget" render --format png --scale 2 --out "$work/out/" --containers "$samples" -q
for family in small medium; do
  head -c 8 "$work/out/PockettaWidget-$family.png" | od -An -c | grep 'P   N   G' >/dev/null ||
    fail "no PNG of the $family family"
done
"$widget" describe --locale de_DE --containers "$samples" | grep 'Kontostand' >/dev/null ||
  fail "the installed copy did not read its German strings from share/pocketta-widget"
"$widget" render --format tree --family small --containers "$samples" | grep '12,840.50' >/dev/null ||
  fail "the installed copy did not show the sample store's balance"

# Every font file the render opened belongs to a declared dependency.
if [ -f "$work/trace" ]; then
  for font in $(sed -n 's/.*openat([^"]*"\(\/usr\/share\/fonts\/[^"]*\)".* = [0-9].*/\1/p' "$work/trace" | sort -u); do
    package=$(owner "$font")
    declared "$package" || fail "the render read $font from $package, which Depends does not name"
  done
  grep -q "$root/usr/share/pocketta-widget/icu" "$work/trace" ||
    fail "the render did not read the locale data in share/pocketta-widget/icu"
else
  echo "strace is not installed: the fonts a render opens are not checked"
fi

# The manual page in the package is one man reads.
if command -v man >/dev/null &&
  MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/pocketta-widget.1" 2>&1 >/dev/null |
  grep . >/dev/null; then
  fail "man warns about the manual page"
fi
echo "package test: $(basename "$deb") lays out, depends and renders as it should"
