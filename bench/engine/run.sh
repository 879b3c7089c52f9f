#!/usr/bin/env bash
# The update engine against the floor tools for the same work, side by side.
# See ../README.md. Usage: bench/engine/run.sh [PAIRS]
#   ZV_BENCH_BUILD   release build folder (default build/bench-release)
#   ZV_BENCH_WORK    work folder (default /tmp/zarvo-engine-bench; about 3 GiB)
#   ZV_BENCH_BASELINE  another zarvo-launcher build to compare the 20,000-file install with
#   ZV_BENCH_ONLY=check  only the unchanged 20,000-file check (section 1)
set -euo pipefail
source "$(dirname "$0")/common.sh"
pairs=${1:-5}
command -v rsync >/dev/null || { echo "rsync is missing: apt-get install rsync" >&2; exit 1; }
# The check alone needs only the 20,000-file release.
if [ "${ZV_BENCH_ONLY:-}" = check ]; then prepare many; else prepare; fi
serve
echo "$(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"

# Runs A and B in turns, PAIRS times after one unmeasured round, and prints
# the median seconds of each and the median of A/B taken pair by pair.
# BEFORE_A / BEFORE_B run untimed before each side (e.g. emptying a folder).
compare() {
  local label=$1 a=$2 b=$3 ta tb start i
  local -a as=() bs=() rs=()
  for ((i = 0; i <= pairs; i++)); do
    eval "${BEFORE_A:-:}"
    start=$(now); eval "$a"; ta=$(echo "$(now) - $start" | bc -l)
    eval "${BEFORE_B:-:}"
    start=$(now); eval "$b"; tb=$(echo "$(now) - $start" | bc -l)
    [ "$i" -eq 0 ] && continue
    as+=("$ta"); bs+=("$tb"); rs+=("$(echo "$ta / $tb" | bc -l)")
  done
  printf '%s: %.4f s against %.4f s, ratio %.2f (medians of %d pairs)\n' "$label" \
    "$(printf '%s\n' "${as[@]}" | median)" "$(printf '%s\n' "${bs[@]}" | median)" \
    "$(printf '%s\n' "${rs[@]}" | median)" "$pairs"
}

# CPU time (user + system) of A and B, run in turns PAIRS times after one
# unmeasured round: the medians and the median ratio pair by pair. Less
# disturbed than wall time by other work on a shared machine.
cpu() {
  local label=$1 a=$2 b=$3 ta tb i
  local -a as=() bs=() rs=()
  for ((i = 0; i <= pairs; i++)); do
    ta=$(cpu_seconds "$a")
    tb=$(cpu_seconds "$b")
    [ "$i" -eq 0 ] && continue
    as+=("$ta"); bs+=("$tb"); rs+=("$(echo "$ta / $tb" | bc -l)")
  done
  printf '%s, CPU: %.4f s against %.4f s, ratio %.2f (medians of %d pairs)\n' "$label" \
    "$(printf '%s\n' "${as[@]}" | median)" "$(printf '%s\n' "${bs[@]}" | median)" \
    "$(printf '%s\n' "${rs[@]}" | median)" "$pairs"
}
# CPU seconds of one run of the command line $1 (evaluated, output
# dropped), to the millisecond: bash's own timer, not GNU time's 10 ms.
cpu_seconds() {
  local TIMEFORMAT='%3U %3S' times
  times=$({ time eval "$1" >/dev/null 2>&1; } 2>&1)
  echo "$times" | awk '{print $1 + $2}'
}

# The launcher's peak resident memory for one more run of the same work:
# peak LABEL NAME ARGS... (BEFORE_A runs first, untimed).
peak() {
  local label=$1 name=$2
  shift 2
  eval "${BEFORE_A:-:}"
  /usr/bin/time -f "$label: zarvo-launcher peak RSS %M KiB" \
    "$launcher" --client "$work/client-$name" --data "$work/data-$name" "$@" >/dev/null
}

# 1. An unchanged 20,000-file client, metadata only (installed once, kept).
[ -f "$work/client-many/.zarvo_update/cache.json" ] || { fresh_client many; run_launcher many check; }
(cd "$work/many" && find . -type f | sort | sed "s|^\.|$work/client-many|") >"$work/many.list"
mkdir -p "$work/rsync-many"
rsync -a "$work/many/" "$work/rsync-many/"
compare "check, 20,000 unchanged files: zarvo-launcher check / one stat per file" \
  'run_launcher many check' '"$work/stat_list" "$work/many.list"'
compare "check, 20,000 unchanged files: zarvo-launcher check / rsync quick check" \
  'run_launcher many check' 'rsync -a "$work/many/" "$work/rsync-many/"'
cpu "check, 20,000 unchanged files: zarvo-launcher check / rsync quick check" \
  'run_launcher many check' 'rsync -a "$work/many/" "$work/rsync-many/"'
peak "check, 20,000 unchanged files" many check
[ "${ZV_BENCH_ONLY:-}" = check ] && exit 0

# 2. Installing the 1 GiB release into an empty folder, against curl
# fetching the same packed files into a folder.
bytes=$(du -sb "$work/big" | cut -f1)
packed=$(du -sb "$work/www-big/files" | cut -f1)
curl_config
BEFORE_A='fresh_client big' BEFORE_B='rm -rf "$work/curl-big"' \
  compare "install, $bytes bytes ($packed packed): zarvo-launcher check / curl to files" \
  'run_launcher big check' 'curl_all'
echo "(MB/s of unpacked output = $bytes / 1e6 / seconds)"
BEFORE_A='fresh_client big' peak "install, $bytes bytes" big check

# 3. Hashing the installed tree in repair mode against sha256sum and OpenSSL.
(cd "$work/client-big" && find . -type f -not -path './.zarvo_update/*' -not -name 'ZarvoLauncher.*') >"$work/installed.list"
compare "repair, installed 1 GiB: zarvo-launcher repair / sha256sum" \
  'run_launcher big repair' '(cd "$work/client-big" && xargs -d "\n" sha256sum <"$work/installed.list" >/dev/null)'
compare "repair, installed 1 GiB: zarvo-launcher repair / openssl sha256" \
  'run_launcher big repair' '(cd "$work/client-big" && xargs -d "\n" openssl dgst -sha256 <"$work/installed.list" >/dev/null)'
peak "repair, installed 1 GiB" big repair

# 4. Installing the 20,000-file release into an empty folder, against another
# build of the launcher (ZV_BENCH_BASELINE=path/to/zarvo-launcher), e.g. the
# one before a change to how installed files reach the disk.
if [ -n "${ZV_BENCH_BASELINE:-}" ]; then
  BEFORE_A='fresh_client many' BEFORE_B='fresh_client many' \
    compare "install, 20,000 files: zarvo-launcher check / $ZV_BENCH_BASELINE check" \
    'run_launcher many check' \
    '"$ZV_BENCH_BASELINE" --client "$work/client-many" --data "$work/data-many" check >/dev/null'
fi
