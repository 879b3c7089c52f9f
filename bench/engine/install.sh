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
#   ZV_BENCH_TREE      "wide": 64 files of 16 MiB of random bytes instead
#   ZV_BENCH_SETTLE    seconds to wait before each side (see measure)
set -euo pipefail
source "$(dirname "$0")/common.sh"
rounds=${1:-5}
tree=${ZV_BENCH_TREE:-big}
prepare "$tree"
serve "$tree"
curl_config
curl_config raw
echo "$(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg);" \
  "$(du -sb "$work/$tree" | cut -f1) bytes, $(du -sb "$work/www-$tree/files" | cut -f1) packed"

retired=$work/retired
rm -rf "$retired"
trap 'kill "$nginx_pid" 2>/dev/null || true; rm -rf "$retired"' EXIT
fresh_launcher() {
  retire "$work/client-$tree" "$work/data-$tree"
  mkdir -p "$work/client-$tree"
  cp "$work/client-$tree.json" "$work/client-$tree/ZarvoLauncher.json"
}
fresh_curl() { retire "$work/curl-big" && mkdir -p "$work/curl-big"; }

sides="launcher curl curl-raw curl-sync${ZV_BENCH_BASELINE:+ baseline}"
for side in $sides; do : >"$work/times-$side"; done
for ((i = 0; i <= rounds; i++)); do
  fresh_launcher
  measure launcher "$launcher" --client "$work/client-$tree" --data "$work/data-$tree" check
  fresh_curl
  (cd "$work/curl-big" && measure curl curl -sf --config "$work/curl.cfg")
  fresh_curl
  (cd "$work/curl-big" && measure curl-raw curl -sf --config "$work/curl-raw.cfg")
  fresh_curl
  (cd "$work/curl-big" && measure curl-sync sh -c 'curl -sf --config "$1" && sync -f .' sh "$work/curl-raw.cfg")
  if [ -n "${ZV_BENCH_BASELINE:-}" ]; then
    fresh_launcher
    measure baseline "$ZV_BENCH_BASELINE" --client "$work/client-$tree" --data "$work/data-$tree" check
  fi
done

# Curl's goal: at least 0.9 of the launcher's wall time.
summary launcher $sides
