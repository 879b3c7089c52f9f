#!/usr/bin/env bash
# Our SHA-256 (portable and with the SHA extensions), SHA-512 and Ed25519
# verification against OpenSSL and libsodium on this machine, from a release
# build, then sha256File on a 1 GiB file against OpenSSL on the same file.
# Optional arguments: MiB of data per hashing run (default 128), rounds
# (default 9).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${ZV_BENCH_BUILD:-build/bench-release}
cmake --preset native-release -B "$dir" >/dev/null
cmake --build "$dir" --target crypto_bench -j2 >/dev/null
file=$dir/bench/sha256-1GiB.bin
[ -f "$file" ] || head -c 1073741824 /dev/urandom >"$file"
"$dir/bench/crypto_bench" "${1:-128}" "${2:-9}" "$file"
