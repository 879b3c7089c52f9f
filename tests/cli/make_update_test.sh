#!/usr/bin/env bash
# make_update.bat, as a Windows publisher runs it, under Wine: the first run
# makes the key and the update tree, the second keeps every packed file, a
# name changed in letter case only keeps its packed file, and a missing
# client folder fails with the script's message; with a configuration and a
# launcher beside it, it brands the launcher.
# Usage: make_update_test.sh BUILD_TOOL_DIR (holding zarvo-builder.exe and make_update.bat)
set -u
tools=$1
run=$(dirname "$0")/../windows/wine-run
work=$(mktemp -d "${TMPDIR:-/tmp}/make-update.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*"; exit 1; }

cp "$tools/zarvo-builder.exe" "$tools/make_update.bat" "$work/"
mkdir -p "$work/client/system"
printf 'hello\r\n' >"$work/client/system/L2.ini"
head -c 200000 /dev/urandom >"$work/client/system/Данные.bin"
printf '{"once": ["system/L2.ini"]}' >"$work/release.json"
# Any Windows executable stands in for the launcher.
cp "$tools/zarvo-builder.exe" "$work/ZarvoLauncher.exe"
printf '{"serverName": "Made by make_update"}' >"$work/ZarvoLauncher.json"
bat="Z:${work//\//\\}\\make_update.bat"
export ZARVO_NO_PAUSE=1

first=$("$run" cmd /c "$bat") || fail "first run: $first"
grep -q '^Put the public key above' <<<"$first" || fail "no key was made: $first"
grep -q '^2 files verified' <<<"$first" || fail "not verified: $first"
[ -f "$work/update/manifest.json" ] && [ -f "$work/update/manifest.sig" ] || fail "no manifest"
grep -q '"mode": "once"' "$work/update/manifest.json" || fail "release.json was not used"
grep -q 'branded.ZarvoLauncher.exe": it needs no ZarvoLauncher.json' <<<"$first" || fail "not branded: $first"
grep -qF '{"serverName": "Made by make_update"}' "$work/branded/ZarvoLauncher.exe" || fail "no configuration inside"

second=$("$run" cmd /c "$bat") || fail "second run: $second"
grep -q '0 packed, 2 unchanged' <<<"$second" || fail "second run packed again: $second"
grep -q 'Put the public key above' <<<"$second" && fail "second run made a new key"

# A name that changes only in letter case keeps its packed file, Cyrillic
# letters too: in a Windows folder the new one is the old one.
mv "$work/client/system/Данные.bin" "$work/client/system/данные.bin"
renamed=$("$run" cmd /c "$bat") || fail "run after a rename: $renamed"
grep -q '^2 files verified' <<<"$renamed" || fail "not verified after a rename: $renamed"

rm -rf "$work/client"
third=$("$run" cmd /c "$bat") && fail "a missing client folder succeeded: $third"
grep -q 'does not exist' <<<"$third" || fail "no message for a missing client folder: $third"
echo "make_update.bat: 5 passed, 0 failed"
