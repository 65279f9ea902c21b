#!/usr/bin/env bash
# Fails when a text of the programs has no English translation, or when
# translations/quillon_en.ts is out of date with the sources (a text added,
# changed or removed since lupdate last ran). The core's own texts have both
# languages in base/core_texts.cpp; the test CoreTexts.EveryTextHasBothForms*
# holds them to it.
set -euo pipefail

cd "$(dirname "$0")/.."
lupdate=${LUPDATE:-/usr/lib/qt6/bin/lupdate}
ts=translations/quillon_en.ts
# The one lupdate command that writes the file; run it to bring the file up
# to date, then translate what it marks unfinished (Qt Linguist, or by hand).
update=("$lupdate" -locations none -no-obsolete -source-language zh_CN -target-language en
  widgets pages full simple -ts)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$ts" "$work/current.ts"
"${update[@]}" "$work/current.ts" >"$work/lupdate.log" 2>&1 || {
  cat "$work/lupdate.log"
  exit 1
}
if grep -q "cannot be called without context" "$work/lupdate.log"; then
  grep "without context" "$work/lupdate.log"
  exit 1
fi

failed=0
if ! cmp -s "$ts" "$work/current.ts"; then
  echo "$ts is out of date with the sources. Run:"
  echo "  ${update[*]} $ts"
  diff -u "$ts" "$work/current.ts" | head -40 || true
  failed=1
fi
untranslated=$(grep -c -E 'type="(unfinished|vanished|obsolete)"|<translation></translation>' \
  "$work/current.ts" || true)
if [ "$untranslated" -gt 0 ]; then
  echo "$untranslated text(s) without an English translation:"
  grep -B2 -E 'type="(unfinished|vanished|obsolete)"|<translation></translation>' \
    "$work/current.ts" | grep '<source>' | sed 's/^ */  /'
  failed=1
fi
[ "$failed" -eq 0 ] && echo "translations: every text of $ts is translated and up to date"
exit "$failed"
