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
# the median wall seconds of each and the median of A/B taken pair by pair,
# then the same for CPU time (user + system), which other work on a shared
# machine disturbs less. BEFORE_A / BEFORE_B run untimed before each side
# (e.g. emptying a folder).
compare() {
  local label=$1 a=$2 b=$3 i wa wb ca cb
  local -a was=() wbs=() wrs=() cas=() cbs=() crs=()
  for ((i = 0; i <= pairs; i++)); do
    eval "${BEFORE_A:-:}"
    read -r wa ca < <(timed "$a")
    eval "${BEFORE_B:-:}"
    read -r wb cb < <(timed "$b")
    [ "$i" -eq 0 ] && continue
    was+=("$wa"); wbs+=("$wb"); wrs+=("$(echo "$wa / $wb" | bc -l)")
    cas+=("$ca"); cbs+=("$cb"); crs+=("$(echo "$ca / $cb" | bc -l)")
  done
  medians "$label" was wbs wrs
  medians "$label, CPU" cas cbs crs
}

# Wall and CPU seconds of one run of the command line $1 (evaluated, its
# output dropped, its errors shown), to the millisecond: bash's own timer,
# not GNU time's 10 ms.
timed() {
  local TIMEFORMAT='%3R %3U %3S'
  { time eval "$1" >/dev/null 2>&3 || echo "failed: $1" >&3; } 3>&2 2>&1 | awk '{print $1, $2 + $3}'
}

# LABEL and the medians of the arrays named A, B and A/B.
medians() {
  local -n as=$2 bs=$3 rs=$4
  printf '%s: %.4f s against %.4f s, ratio %.2f (medians of %d pairs)\n' "$1" \
    "$(printf '%s\n' "${as[@]}" | median)" "$(printf '%s\n' "${bs[@]}" | median)" \
    "$(printf '%s\n' "${rs[@]}" | median)" "$pairs"
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
