#!/usr/bin/env bash
# Peak resident memory of parsing a 16 MiB JSON text of each shape (the text
# itself, 16 MiB, included), from a release build.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${ZV_BENCH_BUILD:-build/bench-release}
cmake --preset native-release -B "$dir" >/dev/null
cmake --build "$dir" --target json_memory -j2 >/dev/null
for shape in numbers strings texts arrays objects members cache; do
  /usr/bin/time -f "  peak RSS %M KiB" "$dir/bench/json_memory" "$shape"
done
