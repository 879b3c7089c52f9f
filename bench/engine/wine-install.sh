#!/usr/bin/env bash
# Installing the 1 GiB release into an empty folder with the Windows console
# launcher under Wine: the build that inflates with libdeflate against the
# same build with -DZV_ZLIB_INFLATE=ON, whole processes in turns, one
# unmeasured round first: wall time, CPU time (user + system of the Wine
# process that runs the launcher; the Wine server's share is not in it) and
# peak RSS. Then, in the same turns, `zarvo-builder verify` of the release by
# the same two builds: unpacking and hashing every packed file from the page
# cache, with no download and no install. See ../README.md.
# Usage: bench/engine/wine-install.sh [ROUNDS]
#   ZV_BENCH_ARCH  win32 (default, the build players run) or win64
set -euo pipefail
source "$(dirname "$0")/common.sh"
rounds=${1:-5}
arch=${ZV_BENCH_ARCH:-win32}
[ -f "$work/www-big/manifest.sig" ] || prepare big

# Two release builds of the console launcher and the builder, configured
# anew each time so that the first one finds the libdeflate just made.
"$repo/tools/deps/libdeflate-mingw"
for lib in libdeflate zlib; do
  zlib_only=OFF
  [ "$lib" = libdeflate ] || zlib_only=ON
  cmake --preset "$arch" -B "$repo/build/bench-$arch-$lib" -DZV_ZLIB_INFLATE=$zlib_only >/dev/null
  cmake --build "$repo/build/bench-$arch-$lib" -j2 --target zarvo-launcher zarvo-builder >/dev/null
done
if grep -q inflater_zlib "$repo/build/bench-$arch-libdeflate/build.ninja"; then
  echo "the libdeflate build of $arch inflates with zlib" >&2
  exit 1
fi

# Folders of its own beside the other engine benches' (which may run meanwhile).
dir=$work/wine-$arch
mkdir -p "$dir/nginx"
port=$((20000 + RANDOM % 12000))
: >"$dir/nginx/sites.conf"
nginx_site "$dir/nginx/sites.conf" "$port" "$work/www-big" "wine_$arch"
start_nginx "$dir/nginx" "access_log off;" "http://127.0.0.1:$port/manifest.sig"
cat >"$dir/client.json" <<JSON
{"serverName": "Bench", "updateUrl": "http://127.0.0.1:$port/",
 "publicKey": "$(cat "$work/public.key")", "language": "en", "desktopShortcut": false}
JSON
session=$dir/session
eval "$(ZV_WINEARCH=$arch "$repo/tests/windows/wine-session" start "$session")"
retired=$dir/retired
rm -rf "$retired"
trap 'kill "$nginx_pid" 2>/dev/null || true; "$repo/tests/windows/wine-session" stop "$session"; rm -rf "$retired"' EXIT
# Debian's wine runs the 32-bit loader, which hands a 64-bit program to a
# process that is not its child, out of the reach of time's CPU figures.
loader=wine
[ "$arch" = win32 ] || loader=/usr/lib/wine/wine64
echo "$(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg); $arch under $(wine --version)"

sides="zlib-$arch libdeflate-$arch verify-zlib-$arch verify-libdeflate-$arch"
for side in $sides; do : >"$work/times-$side"; done
for ((i = 0; i <= rounds; i++)); do
  for lib in zlib libdeflate; do
    retire "$dir/client" "$dir/data"
    mkdir -p "$dir/client"
    cp "$dir/client.json" "$dir/client/ZarvoLauncher.json"
    measure "$lib-$arch" timeout -k 5 600 "$loader" "$repo/build/bench-$arch-$lib/app/zarvo-launcher.exe" \
      --client "Z:${dir//\//\\}\\client" --data "Z:${dir//\//\\}\\data" check
  done
  for lib in zlib libdeflate; do
    measure "verify-$lib-$arch" timeout -k 5 600 "$loader" "$repo/build/bench-$arch-$lib/tools/builder/zarvo-builder.exe" \
      verify "Z:${work//\//\\}\\www-big" "$(cat "$work/public.key")" --quiet
  done
done
summary "zlib-$arch" "zlib-$arch" "libdeflate-$arch"
summary "verify-zlib-$arch" "verify-zlib-$arch" "verify-libdeflate-$arch"
