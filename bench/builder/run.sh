#!/usr/bin/env bash
# Packing speed and size of zarvo-builder against pigz, on a mixed 1 GiB tree.
# See README.md. Usage: bench/builder/run.sh [BUILDER] [WORK_DIR] [PAIRS]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
builder=${1:-$here/../../build/native-release/tools/builder/zarvo-builder}
work=${2:-/tmp/zarvo-bench}
pairs=${3:-3}
cores=$(nproc)
command -v pigz >/dev/null || { echo "pigz is missing: apt-get install pigz" >&2; exit 1; }
[ -x "$builder" ] || { echo "no zarvo-builder at $builder (build the native-release preset)" >&2; exit 1; }

mkdir -p "$work"
tree="$work/tree"
if [ ! -d "$tree" ]; then
  echo "making the tree (once)..."
  python3 "$here/make_tree.py" "$tree" $((1 << 30))
fi
[ -f "$work/key" ] || "$builder" keygen "$work/key" >/dev/null
bytes=$(du -sb "$tree" | cut -f1)
files=$(find "$tree" -type f | wc -l)
echo "tree: $files files, $bytes bytes; $cores cores; $("$builder" --version)"
# Warm the page cache so that both sides read from memory.
tar -C "$tree" -cf - . >/dev/null

now() { date +%s.%N; }
elapsed() { echo "$2 - $1" | bc -l; }

# The two sides run in turns, A B A B ..., and the ratio is taken pair by
# pair, so that a machine whose speed drifts does not favour either side.
ratios=()
for ((i = 1; i <= pairs; i++)); do
  rm -rf "$work/out"
  start=$(now)
  "$builder" build "$tree" "$work/out" --key "$work/key" --build bench --quiet >/dev/null
  a=$(elapsed "$start" "$(now)")
  start=$(now)
  tar -C "$tree" -cf - . | pigz -6 -p "$cores" >"$work/pigz6.gz"
  b=$(elapsed "$start" "$(now)")
  ratio=$(echo "$b / $a" | bc -l)
  ratios+=("$ratio")
  printf 'pair %d: zarvo-builder %.2f s (%.1f MB/s), pigz -6 %.2f s (%.1f MB/s)\n' "$i" "$a" \
    "$(echo "$bytes / $a / 1000000" | bc -l)" "$b" "$(echo "$bytes / $b / 1000000" | bc -l)"
done
median=$(printf '%s\n' "${ratios[@]}" | sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}')

# Size against zlib at level 9 over the same bytes (pigz is zlib).
tar -C "$tree" -cf - . | pigz -9 -p "$cores" >"$work/pigz9.gz"
packed=$(du -sb "$work/out/files" | cut -f1)
zlib9=$(stat -c %s "$work/pigz9.gz")
printf 'packed size: zarvo-builder %d bytes, zlib -9 %d bytes: %.2f%% of zlib -9\n' "$packed" "$zlib9" \
  "$(echo "100 * $packed / $zlib9" | bc -l)"

# A rebuild after one changed file against the first build.
start=$(now)
rm -rf "$work/out"
"$builder" build "$tree" "$work/out" --key "$work/key" --build first --quiet >/dev/null
first=$(elapsed "$start" "$(now)")
changed=$(find "$tree" -name '*.ini' -size +1M | sort | head -1)
cp "$changed" "$work/changed.bak"
printf 'one more line\r\n' >>"$changed"
start=$(now)
"$builder" build "$tree" "$work/out" --key "$work/key" --build second --quiet >/dev/null
second=$(elapsed "$start" "$(now)")
cp "$work/changed.bak" "$changed"
printf 'rebuild with one changed file: %.2f s against %.2f s for the first build (%.1f%%)\n' "$second" "$first" \
  "$(echo "100 * $second / $first" | bc -l)"

printf 'throughput ratio zarvo-builder / pigz -6 -p %d (median of %d pairs): %.2f\n' "$cores" "$pairs" "$median"
