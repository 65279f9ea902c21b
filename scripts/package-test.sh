#!/usr/bin/env bash
# Checks the package that scripts/package.sh left in dist/: validators
# (lintian errors, desktop-file-validate, appstreamcli), the installed layout,
# and each program started from the package unpacked into a temporary root on
# the offscreen platform: skins found in the root's share/quillon/Styles, and
# config.ini written under a temporary XDG_CONFIG_HOME, never beside the
# programs.
set -euo pipefail

cd "$(dirname "$0")/.."
src=$(pwd)

source scripts/lib/common.sh
ensure_packages "${QUILLON_PACKAGES_PACKAGE[@]}"

shopt -s nullglob
debs=("$src"/dist/quillon_*.deb)
tarballs=("$src"/dist/quillon-*.tar.gz)
if [ ${#debs[@]} -ne 1 ] || [ ${#tarballs[@]} -ne 1 ]; then
  echo "Expected one .deb and one .tar.gz in dist/; run scripts/package.sh first." >&2
  exit 1
fi
deb=${debs[0]}

fail() {
  echo "package test: $*" >&2
  exit 1
}

tmp=$(realpath "$(mktemp -d)")
sim_pid=""
cleanup() {
  if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; fi
  rm -rf "$tmp"
}
trap cleanup EXIT

echo "== Validators"
lintian_out=$(lintian --fail-on error "$deb" 2>&1) || fail "lintian reports errors:
$lintian_out"
# Warnings are shown, not fatal; lintian's note about running as root is noise.
grep -v 'running with root privileges' <<<"$lintian_out" || true
root="$tmp/root"
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root"/usr/share/applications/*.desktop || fail "desktop entries"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml >/dev/null ||
  fail "AppStream metadata: $(appstreamcli validate --no-net "$root"/usr/share/metainfo/*.xml)"

echo "== Layout"
programs=(Quillon Quillon_Simple quillon quillon-simple quillon-sim)
pages=(quillon quillon-simple quillon-sim)
# The command-line tool belongs in the package as soon as it is in the tree.
if [ -d "$src/cli" ]; then
  programs+=(quillon-cli)
  pages+=(quillon-cli)
fi
for p in "${programs[@]}"; do [ -x "$root/usr/bin/$p" ] || fail "usr/bin/$p missing"; done
for p in "${pages[@]}"; do
  [ -e "$root/usr/share/man/man1/$p.1.gz" ] || fail "manual page $p.1.gz missing"
done
for skin in Vista.cjstyles WinXP.Luna.cjstyles WinXP.Royale.cjstyles Office2007.cjstyles NormalBlack2.ini; do
  [ -f "$root/usr/share/quillon/Styles/$skin" ] || fail "skin $skin missing"
done
for entry in "$root"/usr/share/applications/*.desktop; do
  exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
  icon=$(sed -n 's/^Icon=//p' "$entry")
  [ -x "$root/usr/bin/$exec_name" ] || fail "$(basename "$entry") starts a missing $exec_name"
  [ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "icon $icon missing"
done
grep -q '/bin/quillon$' <<<"$(tar -tzf "${tarballs[0]}")" || fail "the .tar.gz holds no bin/quillon"
if [ -x "$root/usr/bin/quillon-cli" ]; then
  "$root/usr/bin/quillon-cli" --help >/dev/null || fail "quillon-cli --help failed"
fi

echo "== Programs from the unpacked package"
export QT_QPA_PLATFORM=offscreen
export XDG_CONFIG_HOME="$tmp/config"
export HOME="$tmp/home"
# Only the unpacked root may provide skins, never an installed package.
export XDG_DATA_DIRS="$tmp/no-data"
mkdir -p "$HOME"
config="$XDG_CONFIG_HOME/quillon/config.ini"
styles="$root/usr/share/quillon/Styles"

# run PROGRAM OUTPUT: starts it; --quit-after closes each window in turn, as
# the user's click on its close box would, so the program saves and ends.
run() {
  local status=0
  timeout 60 "$root/usr/bin/$1" --quit-after 300 >"$2" 2>"$2.err" || status=$?
  [ "$status" -eq 0 ] || fail "$1 ended with status $status: $(cat "$2" "$2.err")"
}

# First start: the per-user folder is created, private to the user.
run quillon "$tmp/full1.out"
[ -f "$config" ] || fail "quillon wrote no $config"
[ "$(stat -c %a "$XDG_CONFIG_HOME/quillon")" = 700 ] || fail "the settings folder is not private"
grep -q '^id=0' "$config" || fail "quillon did not save its theme: $(cat "$config")"

# The simulator from the package maps port 1 to itself in the same file; the
# simple edition opens port 1 at start and saves its I/O page on close.
exec 3< <(exec "$root/usr/bin/quillon-sim" --config "$config")
sim_pid=$!
read -r -t 10 device <&3 || fail "quillon-sim did not start"
run quillon-simple "$tmp/simple.out"
grep -qF "skin=$styles/Office2007.cjstyles" "$tmp/simple.out" ||
  fail "quillon-simple did not use the packaged skins: $(cat "$tmp/simple.out")"
grep -q '^\[ioprm\]' "$config" || fail "quillon-simple did not save to $config"
grep -qF "com1=$device" "$config" || fail "quillon-sim did not map port 1 in $config"

# Both editions share the file: a theme saved there comes back as its skin.
sed -i 's/^id=0/id=3/' "$config"
run quillon "$tmp/full2.out"
grep -qF "skin=$styles/Vista.cjstyles" "$tmp/full2.out" ||
  fail "quillon did not restore the Vista skin: $(cat "$tmp/full2.out")"

found=$(find "$root" -name 'config.ini*')
[ -z "$found" ] || fail "settings written beside the programs: $found"
echo "Package test passed: $(basename "$deb")"
