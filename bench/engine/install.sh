#!/usr/bin/env bash
# Installing the 1 GiB release into an empty folder with `zarvo-launcher
# check`, side by side with curl fetching the same packed files into a
# folder, with curl fetching the unpacked files themselves (the same files
# the launcher writes), and with the same followed by a sync of their file
# system (the launcher makes its files durable, curl does not): wall time,
# CPU time and peak RSS of whole processes, in turns, one unmeasured round
# first. See ../README.md.
# Usage: bench/engine/install.sh [ROUNDS]
#   ZV_BENCH_BASELINE  another zarvo-launcher build, run in the same turns
#   ZV_BENCH_SETTLE    seconds to wait before each side (see measure)
set -euo pipefail
source "$(dirname "$0")/common.sh"
rounds=${1:-5}
prepare big
serve
curl_config
curl_config raw
echo "$(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg);" \
  "$(du -sb "$work/big" | cut -f1) bytes, $(du -sb "$work/www-big/files" | cut -f1) packed"

# retire FOLDER...: empties each folder's place for the next side without
# deleting a file. ext4 without a journal makes every file created later
# near them step over each inode deleted in the last minute, one by one:
# deleting the trees of the sides before (thousands of files a round) made
# each side pay for them, and the launcher, which creates two files per
# installed file, twice. The trees are moved aside, emptied (their data
# leaves the disk and the page cache), and deleted when the bench ends (a
# bench started within a minute after that pays for them). The parts the
# launcher itself deletes still reach the sides after it.
retired=$work/retired
rm -rf "$retired"
trap 'kill "$nginx_pid" 2>/dev/null || true; rm -rf "$retired"' EXIT
retire() {
  local folder
  mkdir -p "$retired"
  for folder; do
    [ -e "$folder" ] || continue
    find "$folder" -type f -exec truncate -s 0 {} +
    mv "$folder" "$(mktemp -d "$retired/XXXXXX")/"
  done
}
fresh_launcher() {
  retire "$work/client-big" "$work/data-big"
  mkdir -p "$work/client-big"
  cp "$work/client-big.json" "$work/client-big/ZarvoLauncher.json"
}
fresh_curl() { retire "$work/curl-big" && mkdir -p "$work/curl-big"; }

# measure SIDE COMMAND...: one run, its "wall cpu peak-KiB" appended to $work/times-SIDE.
# Whatever the side before wrote is put on disk first, so that no side pays
# for another's data in its own flushes. ZV_BENCH_SETTLE=60 waits a minute
# more: out of the deletions of other programs (see retire).
measure() {
  local side=$1 wall user sys rss
  shift
  sync -f "$work"
  sleep "${ZV_BENCH_SETTLE:-0}"
  /usr/bin/time -f "%e %U %S %M" -o "$work/time.out" "$@" >/dev/null
  read -r wall user sys rss <"$work/time.out"
  echo "$wall $(echo "$user + $sys" | bc -l) $rss" >>"$work/times-$side"
}

sides="launcher curl curl-raw curl-sync${ZV_BENCH_BASELINE:+ baseline}"
for side in $sides; do : >"$work/times-$side"; done
for ((i = 0; i <= rounds; i++)); do
  fresh_launcher
  measure launcher "$launcher" --client "$work/client-big" --data "$work/data-big" check
  fresh_curl
  (cd "$work/curl-big" && measure curl curl -sf --config "$work/curl.cfg")
  fresh_curl
  (cd "$work/curl-big" && measure curl-raw curl -sf --config "$work/curl-raw.cfg")
  fresh_curl
  (cd "$work/curl-big" && measure curl-sync sh -c 'curl -sf --config "$1" && sync -f .' sh "$work/curl-raw.cfg")
  if [ -n "${ZV_BENCH_BASELINE:-}" ]; then
    fresh_launcher
    measure baseline "$ZV_BENCH_BASELINE" --client "$work/client-big" --data "$work/data-big" check
  fi
done

# Drops the unmeasured round; prints the medians, the peak and, pair by
# pair, the other side's wall time over the launcher's (curl's: the goal is
# at least 0.9).
for side in $sides; do
  tail -n +2 "$work/times-$side" >"$work/measured-$side"
  printf '%-9s wall %.3f s, CPU %.3f s, peak RSS %d KiB (medians of %d; RSS the largest)\n' "$side" \
    "$(cut -d' ' -f1 "$work/measured-$side" | median)" "$(cut -d' ' -f2 "$work/measured-$side" | median)" \
    "$(cut -d' ' -f3 "$work/measured-$side" | sort -n | tail -1)" "$rounds"
  [ "$side" = launcher ] && continue
  printf '%-9s wall / launcher wall: %.2f (median of pairs)\n' "$side" \
    "$(paste -d' ' "$work/measured-$side" "$work/measured-launcher" | awk '{print $1 / $4}' | median)"
done
