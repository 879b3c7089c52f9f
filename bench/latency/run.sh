#!/usr/bin/env bash
# Installing many small files over a network's round trip: the launcher
# (once per number of transfers) against curl with 8 parallel transfers and
# curl one file after the other, fetching the same packed files through the
# same delaying proxy, in turns. See ../README.md.
# Usage: bench/latency/run.sh [ROUNDS] [DELAY_MS] [FILES]
#   DELAY_MS is added in each direction (default 20: a 40 ms round trip).
#   ZV_BENCH_TRANSFERS: the launcher's "transfers" to measure (default "1 6 8").
#   ZV_BENCH_BUILD, ZV_BENCH_WORK as for bench/engine/run.sh.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
rounds=${1:-5} delay=${2:-20} count=${3:-500}
read -r -a transfers <<<"${ZV_BENCH_TRANSFERS:-1 6 8}"
build=${ZV_BENCH_BUILD:-$repo/build/bench-release}
source "$repo/bench/common.sh"
work=${ZV_BENCH_WORK:-/tmp/zarvo-engine-bench}/latency-$count

build_tools
mkdir -p "$work/nginx"
[ -f "$work/key" ] || "$builder" keygen "$work/key" >"$work/public.key"
[ -d "$work/tree" ] || python3 "$here/make_small.py" "$work/tree" "$count"
[ -f "$work/www/manifest.sig" ] ||
  "$builder" build "$work/tree" "$work/www" --key "$work/key" --build bench --quiet >/dev/null

free_port() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
origin=$(free_port)
: >"$work/nginx/sites.conf"
nginx_site "$work/nginx/sites.conf" "$origin" "$work/www" update
start_nginx "$work/nginx" "access_log off;" "http://127.0.0.1:$origin/manifest.sig"
port=$(free_port)
coproc PROXY { exec python3 "$here/delay_proxy.py" "$port" "$origin" "$delay"; }
proxy_pid=$PROXY_PID
trap 'kill "$nginx_pid" "$proxy_pid" 2>/dev/null || true' EXIT
read -r -t 10 _ <&"${PROXY[0]}"

for n in "${transfers[@]}"; do
  cat >"$work/client-$n.json" <<JSON
{"serverName": "Bench", "updateUrl": "http://127.0.0.1:$port/", "transfers": $n,
 "publicKey": "$(cat "$work/public.key")", "language": "en", "desktopShortcut": false}
JSON
done
(cd "$work/www/files" && find . -type f | sed 's|^\./||' | sort) >"$work/files.list"
python3 - "$work/files.list" "http://127.0.0.1:$port/files/" >"$work/curl.cfg" <<'PY'
import sys, urllib.parse
for line in open(sys.argv[1], encoding="utf-8"):
    name = line.rstrip("\n")
    print('url = "%s%s"\noutput = "%s"\ncreate-dirs' % (sys.argv[2], urllib.parse.quote(name), name))
PY

# Each side: an untimed clean-up, then the timed work in its own process.
before_launcher() {  # transfers
  rm -rf "$work/client" "$work/data" && mkdir -p "$work/client"
  cp "$work/client-$1.json" "$work/client/ZarvoLauncher.json"
}
before_curl() { rm -rf "$work/curl" && mkdir -p "$work/curl"; }
run_launcher='"$launcher" --client "$work/client" --data "$work/data" check'
run_curl='cd "$work/curl" && curl -sSf --no-progress-meter --config "$work/curl.cfg"'
declare -A before=([curl-parallel-8]=before_curl [curl-sequential]=before_curl)
declare -A command=([curl-parallel-8]="$run_curl --parallel --parallel-max 8" [curl-sequential]="$run_curl")
sides=()
for n in "${transfers[@]}"; do
  sides+=("launcher-$n"); before[launcher-$n]="before_launcher $n"; command[launcher-$n]=$run_launcher
done
sides+=(curl-parallel-8 curl-sequential)

# One timed run into $work/time.out: "seconds peak-KiB". A failed run ends
# the bench.
timed() {
  ${before[$1]}
  work=$work launcher=$launcher /usr/bin/time -f '%e %M' -o "$work/time.out" \
    bash -c "${command[$1]}" >/dev/null || { echo "$1 failed" >&2; exit 1; }
}

median() { sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
echo "$(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg), $count files, $(du -sb "$work/www/files" | cut -f1) bytes packed, $((2 * delay)) ms round trip"
declare -A times peaks ratios
for ((i = 0; i <= rounds; i++)); do
  declare -A round=()
  for side in "${sides[@]}"; do
    timed "$side"
    read -r t m <"$work/time.out"
    round[$side]=$t
    [ "$i" -eq 0 ] && continue  # the first round only warms up
    times[$side]+="$t "; peaks[$side]+="$m "
  done
  [ "$i" -eq 0 ] && continue
  # Each launcher side against curl with 8 transfers, pair by pair.
  for n in "${transfers[@]}"; do
    ratios[launcher-$n]+="$(echo "${round[launcher-$n]} / ${round[curl-parallel-8]}" | bc -l) "
  done
done
for side in "${sides[@]}"; do
  printf '%-16s median %.2f s, peak RSS %d KiB' "$side" \
    "$(tr ' ' '\n' <<<"${times[$side]}" | grep . | median)" "$(tr ' ' '\n' <<<"${peaks[$side]}" | grep . | median)"
  [ -n "${ratios[$side]:-}" ] && printf ', / curl-parallel-8: %.2f' "$(tr ' ' '\n' <<<"${ratios[$side]}" | grep . | median)"
  echo
done
