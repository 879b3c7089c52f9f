#!/usr/bin/env bash
# Our SHA-256 (portable and with the SHA extensions), SHA-512 and Ed25519
# verification against OpenSSL and libsodium on this machine, from a release
# build. Optional argument: MiB of data per hashing run (default 128).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${ZV_BENCH_BUILD:-build/bench-release}
cmake --preset native-release -B "$dir" >/dev/null
cmake --build "$dir" --target crypto_bench -j2 >/dev/null
"$dir/bench/crypto_bench" "$@"
