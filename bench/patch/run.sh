#!/usr/bin/env bash
# Chunk patching against a whole-file download of the same release, side by
# side: see ../README.md. Usage: bench/patch/run.sh [PAIRS]
#   ZV_BENCH_BUILD  release build folder (default build/bench-release)
#   ZV_BENCH_WORK   work folder (default /tmp/zarvo-patch-bench; about 6 GiB)
#   ZV_BENCH_RATE   nginx limit_rate per connection ("25m": 25 MB/s), to see
#                   a link slower than loopback; default: none
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
build=${ZV_BENCH_BUILD:-$repo/build/bench-release}
work=${ZV_BENCH_WORK:-/tmp/zarvo-patch-bench}
rate=${ZV_BENCH_RATE:-0}
pairs=${1:-3}
source "$repo/bench/common.sh"

# The three releases, built one after the other into one output folder (so
# each has a higher sequence) and kept as hard-linked copies: www/v1 the
# base file, www/v2 with 10 edits, www/v3 with 1 MiB appended.
prepare() {
  build_tools
  mkdir -p "$work"
  [ -f "$work/key" ] || "$builder" keygen "$work/key" >"$work/public.key"
  [ -f "$work/appended.bin" ] || python3 "$here/make_file.py" "$work/base.bin" "$work/edited.bin" "$work/appended.bin"
  echo '{"chunkSize": 1048576}' >"$work/release.json"
  local version file
  for version in v1:base v2:edited v3:appended; do
    file=${version#*:}
    version=${version%%:*}
    [ -f "$work/www/$version/manifest.sig" ] && continue
    rm -rf "$work/source" && mkdir -p "$work/source"
    ln "$work/$file.bin" "$work/source/big.bin"
    "$builder" build "$work/source" "$work/out" --key "$work/key" --release "$work/release.json" \
      --build "$version" --quiet >/dev/null
    mkdir -p "$work/www" && rm -rf "$work/www/$version" && cp -al "$work/out" "$work/www/$version"
  done
}

# nginx with the project's site configuration, logging the body bytes of
# every answer.
serve() {
  local dir=$work/nginx
  mkdir -p "$dir"
  port=$((20000 + RANDOM % 12000))
  : >"$dir/sites.conf"
  nginx_site "$dir/sites.conf" "$port" "$work/www" update
  start_nginx "$dir" "log_format bytes '\$body_bytes_sent'; access_log $dir/access.log bytes;
  $( [ "$rate" != 0 ] && echo "limit_rate $rate;" )" "http://127.0.0.1:$port/v1/manifest.sig"
}

# A client folder (and data folder) named $1 holding what snapshot $2 holds,
# set up for release $3 with chunk patching $4 (true or false).
client_for() {
  rm -rf "$work/client-$1" "$work/data-$1"
  cp -a "$work/snap-$2/client" "$work/client-$1"
  cp -a "$work/snap-$2/data" "$work/data-$1"
  cat >"$work/client-$1/ZarvoLauncher.json" <<JSON
{"serverName": "Bench", "updateUrl": "http://127.0.0.1:$port/$3/", "publicKey": "$(cat "$work/public.key")",
 "language": "en", "desktopShortcut": false, "chunkPatch": $4}
JSON
}

# Installs release $2 into an empty client and keeps it as snapshot $1.
snapshot() {
  mkdir -p "$work/snap-$1/client" && rm -rf "$work/snap-$1"/{client,data} && mkdir -p "$work/snap-$1/client"
  cat >"$work/snap-$1/client/ZarvoLauncher.json" <<JSON
{"serverName": "Bench", "updateUrl": "http://127.0.0.1:$port/$2/", "publicKey": "$(cat "$work/public.key")",
 "language": "en", "desktopShortcut": false}
JSON
  "$launcher" --client "$work/snap-$1/client" --data "$work/snap-$1/data" check >/dev/null
}

median() { sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
sent() { awk '{s += $1} END {print s + 0}' "$work/nginx/access.log"; }

# One timed run of the launcher in client $1 doing $2; sets secs, cpu, rss
# (peak KiB) and bytes (what nginx sent) and checks the result against file $3.
measure() {
  : >"$work/nginx/access.log"
  # The copy just made must not be flushed inside the launcher's first
  # cache save, on its time.
  sync
  /usr/bin/time -f '%e %U %S %M' -o "$work/time.txt" \
    "$launcher" --client "$work/client-$1" --data "$work/data-$1" "$2" >/dev/null
  read -r secs user system rss <"$work/time.txt"
  cpu=$(echo "$user + $system" | bc -l)
  sleep 0.2  # nginx writes its log line after the answer
  bytes=$(sent)
  cmp -s "$work/client-$1/big.bin" "$3" || { echo "client-$1: big.bin is not $3" >&2; exit 1; }
}

# compare LABEL FROM_SNAPSHOT RELEASE COMMAND EXPECTED_FILE [DAMAGE]: the
# patch and the whole-file download in turns, PAIRS pairs after one
# unmeasured round.
compare() {
  local label=$1 snap=$2 release=$3 command=$4 expected=$5 damage=${6:-} i
  local -a ps=() ws=() rs=() pc=() wc=()
  local pbytes wbytes prss=0 wrss=0
  for ((i = 0; i <= pairs; i++)); do
    client_for patch "$snap" "$release" true
    [ -n "$damage" ] && eval "$damage patch"
    measure patch "$command" "$expected"
    local p=$secs pcpu=$cpu
    pbytes=$bytes
    ((rss > prss)) && prss=$rss
    client_for whole "$snap" "$release" false
    [ -n "$damage" ] && eval "$damage whole"
    measure whole "$command" "$expected"
    wbytes=$bytes
    ((rss > wrss)) && wrss=$rss
    [ "$i" -eq 0 ] && continue
    ps+=("$p"); ws+=("$secs"); rs+=("$(echo "$p / $secs" | bc -l)"); pc+=("$pcpu"); wc+=("$cpu")
  done
  printf '%s: patch %.3f s (CPU %.2f s), %d bytes (%.3f%% of the packed file); whole file %.3f s (CPU %.2f s), %d bytes; time ratio %.3f (medians of %d pairs); peak RSS %d / %d KiB\n' \
    "$label" "$(printf '%s\n' "${ps[@]}" | median)" "$(printf '%s\n' "${pc[@]}" | median)" "$pbytes" \
    "$(echo "100 * $pbytes / $packed" | bc -l)" "$(printf '%s\n' "${ws[@]}" | median)" \
    "$(printf '%s\n' "${wc[@]}" | median)" "$wbytes" "$(printf '%s\n' "${rs[@]}" | median)" "$pairs" "$prss" "$wrss"
}

# Overwrites one 4 KiB block in the middle of client $1's big.bin.
damage_block() {
  dd if=/dev/urandom of="$work/client-$1/big.bin" bs=4096 seek=$((300 * 256 + 7)) count=1 conv=notrunc status=none
}

prepare
serve
echo "$(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg), rate limit: $rate"
snapshot v1 v1
snapshot v2 v2
packed=$(stat -c %s "$work/www/v2/files/big.bin.zv")
echo "big.bin: $(stat -c %s "$work/edited.bin") bytes, packed $packed bytes, 1 MiB chunks"
compare "10 edits of 4 KiB (check)" v1 v2 check "$work/edited.bin"
packed=$(stat -c %s "$work/www/v3/files/big.bin.zv")
compare "1 MiB appended (check)" v1 v3 check "$work/appended.bin"
packed=$(stat -c %s "$work/www/v2/files/big.bin.zv")
compare "one damaged 4 KiB block (repair)" v2 v2 repair "$work/edited.bin" damage_block
