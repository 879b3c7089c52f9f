# Shared by the engine benches: the work folder, the two releases and an
# nginx on loopback serving them. Sourced, not run.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)
build=${ZV_BENCH_BUILD:-$repo/build/bench-release}
source "$repo/bench/common.sh"
work=${ZV_BENCH_WORK:-/tmp/zarvo-engine-bench}

# Trees, signed releases and the stat floor, each made once and kept:
# prepare [NAME...] (default both releases, "many" and "big"; "wide" is 64
# files of 16 MiB of random bytes, which no packing makes smaller).
prepare() {
  build_tools
  mkdir -p "$work"
  [ -f "$work/key" ] || "$builder" keygen "$work/key" >"$work/public.key"
  local name names=${*:-many big}
  for name in $names; do
    case $name in
      many) [ -d "$work/many" ] || python3 "$here/make_many.py" "$work/many" 20000 ;;
      big) [ -d "$work/big" ] || python3 "$repo/bench/builder/make_tree.py" "$work/big" $((1 << 30)) ;;
      wide) [ -d "$work/wide" ] || python3 -c 'import os, random, sys
os.makedirs(sys.argv[1])
rng = random.Random(64)
for i in range(64):
    with open(os.path.join(sys.argv[1], "file%02d.bin" % i), "wb") as out:
        out.write(rng.randbytes(16 << 20))' "$work/wide" ;;
    esac
  done
  for name in $names; do
    [ -f "$work/www-$name/manifest.sig" ] ||
      "$builder" build "$work/$name" "$work/www-$name" --key "$work/key" --build bench --quiet >/dev/null
  done
  [ -x "$work/stat_list" ] || cc -O2 -o "$work/stat_list" "$here/stat_list.c"
}

# nginx with the project's site configuration, one server per release:
# serve [NAME...] (default "many" and "big").
serve() {
  local dir=$work/nginx name port names=${*:-many big}
  mkdir -p "$dir"
  : >"$dir/sites.conf"
  for name in $names; do
    port=$((20000 + RANDOM % 12000))
    nginx_site "$dir/sites.conf" "$port" "$work/www-$name" "$name"
    echo "$port" >"$work/port-$name"
  done
  start_nginx "$dir" "access_log off;" "http://127.0.0.1:$(cat "$work/port-${names##* }")/manifest.sig"
  for name in $names; do
    mkdir -p "$work/client-$name"
    cat >"$work/client-$name.json" <<JSON
{"serverName": "Bench", "updateUrl": "http://127.0.0.1:$(cat "$work/port-$name")/",
 "publicKey": "$(cat "$work/public.key")", "language": "en", "desktopShortcut": false}
JSON
    cp "$work/client-$name.json" "$work/client-$name/ZarvoLauncher.json"
  done
}

# An empty client folder holding only the launcher's settings.
fresh_client() {
  rm -rf "$work/client-$1" "$work/data-$1"
  mkdir -p "$work/client-$1"
  cp "$work/client-$1.json" "$work/client-$1/ZarvoLauncher.json"
}

run_launcher() {
  local name=$1
  shift
  "$launcher" --client "$work/client-$name" --data "$work/data-$name" "$@" >/dev/null
}

median() { sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

# A curl configuration fetching every packed file of the 1 GiB release
# ($tree, "big" unless set) into the current folder, and curl_all running it
# into $work/curl-big.
# curl_config raw: the same for the unpacked files themselves, served from
# the release's raw/ (a link to the tree), into $work/curl-raw.cfg.
curl_config() {
  local name=${tree:-big}
  local from=files list=$work/$name.list out=$work/curl.cfg
  if [ "${1:-}" = raw ]; then
    ln -sfn "$work/$name" "$work/www-$name/raw"
    from=raw list=$work/raw.list out=$work/curl-raw.cfg
  fi
  (cd "$work/www-$name/$from/" && find . -type f | sed 's|^\./||') >"$list"
  python3 - "$list" "http://127.0.0.1:$(cat "$work/port-$name")/$from/" >"$out" <<'PY'
import sys, urllib.parse
for line in open(sys.argv[1], encoding="utf-8"):
    name = line.rstrip("\n")
    print('url = "%s%s"\noutput = "%s"\ncreate-dirs' % (sys.argv[2], urllib.parse.quote(name), name))
PY
}
curl_all() { (mkdir -p "$work/curl-big" && cd "$work/curl-big" && curl -sf --config "$work/curl.cfg"); }

# retire FOLDER...: empties each folder's place for the next side without
# deleting a file. ext4 without a journal makes every file created later
# near them step over each inode deleted in the last minute, one by one:
# deleting the trees of the sides before (thousands of files a round) made
# each side pay for them, and the launcher, which creates two files per
# installed file, twice. The trees are moved aside into $retired, emptied
# (their data leaves the disk and the page cache), and deleted when the bench
# ends (a bench started within a minute after that pays for them). The parts
# the launcher itself deletes still reach the sides after it.
retire() {
  local folder
  mkdir -p "$retired"
  for folder; do
    [ -e "$folder" ] || continue
    find "$folder" -type f -exec truncate -s 0 {} +
    mv "$folder" "$(mktemp -d "$retired/XXXXXX")/"
  done
}

# measure SIDE COMMAND...: one run, its "wall cpu peak-KiB" appended to $work/times-SIDE.
# Whatever the side before wrote is put on disk first, so that no side pays
# for another's data in its own flushes. ZV_BENCH_SETTLE=60 waits a minute
# more: out of the deletions of other programs (see retire).
measure() {
  local side=$1 wall user sys rss
  shift
  sync -f "$work"
  sleep "${ZV_BENCH_SETTLE:-0}"
  /usr/bin/time -f "%e %U %S %M" -o "$work/time-$side.out" "$@" >/dev/null
  read -r wall user sys rss <"$work/time-$side.out"
  echo "$wall $(echo "$user + $sys" | bc -l) $rss" >>"$work/times-$side"
}

# summary BASE SIDE...: drops the unmeasured round of each side measured and
# prints its medians and peak and, pair by pair, its wall and CPU time over
# BASE's.
summary() {
  local base=$1 side
  shift
  for side; do
    tail -n +2 "$work/times-$side" >"$work/measured-$side"
    printf '%-9s wall %.3f s, CPU %.3f s, peak RSS %d KiB (medians of %d; RSS the largest)\n' "$side" \
      "$(cut -d' ' -f1 "$work/measured-$side" | median)" "$(cut -d' ' -f2 "$work/measured-$side" | median)" \
      "$(cut -d' ' -f3 "$work/measured-$side" | sort -n | tail -1)" "$(wc -l <"$work/measured-$side")"
  done
  for side; do
    [ "$side" = "$base" ] && continue
    printf '%-9s wall / %s wall: %.2f, CPU / %s CPU: %.2f (medians of pairs)\n' "$side" "$base" \
      "$(paste -d' ' "$work/measured-$side" "$work/measured-$base" | awk '{print $1 / $4}' | median)" "$base" \
      "$(paste -d' ' "$work/measured-$side" "$work/measured-$base" | awk '{print $2 / $5}' | median)"
  done
}
