#!/usr/bin/env bash
# zarvo-builder brand under Wine, checked by Windows itself: the branded
# console launcher still runs, carries the checksum Windows computes and
# exactly the configuration as its RCDATA 200; a second brand replaces it;
# the window launcher's own resources survive branding; a configuration the
# launcher refuses is refused.
# Usage: brand_test.sh BUILDER_DIR LAUNCHER_EXE PROBE_EXE PAGE_DIR UI_PACK
# (the probe carries the window launcher's resources)
set -u
tools=$1 launcher=$2 probe=$3 page=$4 pack=$5
run=$(dirname "$0")/../windows/wine-run
work=$(mktemp -d "${TMPDIR:-/tmp}/brand.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*"; exit 1; }
win() { echo "Z:${1//\//\\}"; }
passed=0

cp "$tools/zarvo-builder.exe" "$launcher" "$probe" "$work/"
cp "$page/index.html" "$page/style.css" "$page/app.js" "$page/logo.png" "$pack" "$work/"
key=$(printf 'ab%.0s' $(seq 32))
printf '{"serverName": "Branded", "updateUrl": "http://127.0.0.1:9/", "publicKey": "%s"}' "$key" >"$work/first.json"
printf '\xef\xbb\xbf{"serverName": "Second", "theme": "classic"}' >"$work/second.json"
builder=$(win "$work/zarvo-builder.exe")

out=$("$run" "$builder" brand "$(win "$work/zarvo-launcher.exe")" "$(win "$work/first.json")" \
  "$(win "$work/branded.exe")") || fail "brand: $out"
"$run" "$(win "$work/resource_probe.exe")" "$(win "$work/branded.exe")" 200 "$(win "$work/first.json")" \
  || fail "RCDATA 200 of the branded launcher"
help=$("$run" "$(win "$work/branded.exe")" --help) || fail "the branded launcher does not run: $help"
grep -q '^Usage: zarvo-launcher' <<<"$help" || fail "the branded launcher printed: $help"
passed=$((passed + 1))

out=$("$run" "$builder" brand "$(win "$work/branded.exe")" "$(win "$work/second.json")" \
  "$(win "$work/again.exe")") || fail "second brand: $out"
grep -q 'no "updateUrl"' <<<"$out" || fail "no warning for a configuration without updateUrl: $out"
"$run" "$(win "$work/resource_probe.exe")" "$(win "$work/again.exe")" 200 "$(win "$work/second.json")" \
  || fail "RCDATA 200 after a second brand"
[ "$(stat -c %s "$work/again.exe")" -le "$(($(stat -c %s "$work/branded.exe") + 4096))" ] \
  || fail "a second brand made the file grow"
passed=$((passed + 1))

out=$("$run" "$builder" brand "$(win "$work/resource_probe.exe")" "$(win "$work/first.json")" \
  "$(win "$work/probe-branded.exe")") || fail "brand the probe: $out"
"$run" "$(win "$work/resource_probe.exe")" "$(win "$work/probe-branded.exe")" 101 "$(win "$work/index.html")" \
  102 "$(win "$work/style.css")" 103 "$(win "$work/app.js")" 104 "$(win "$work/logo.png")" \
  201 "$(win "$work/$(basename "$pack")")" 200 "$(win "$work/first.json")" || fail "resources of the branded probe"
passed=$((passed + 1))

printf '{"game": "../L2.exe"}' >"$work/bad.json"
out=$("$run" "$builder" brand "$(win "$work/zarvo-launcher.exe")" "$(win "$work/bad.json")" \
  "$(win "$work/bad.exe")") && fail "a configuration the launcher refuses was branded"
grep -q 'would refuse this configuration: ZarvoLauncher.json: "game" must be' <<<"$out" || fail "message: $out"
[ -e "$work/bad.exe" ] && fail "a refused brand wrote its output"
passed=$((passed + 1))
echo "brand: $passed passed, 0 failed"
