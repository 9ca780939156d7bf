#!/usr/bin/env bash
# Builds the model-file fuzzer with clang (libFuzzer, ASan, UBSan) and runs it
# for a fixed time.  Any crash, hang or sanitizer report fails.  Inputs it
# finds are kept in build-fuzz/crashes; copy them to tests/data/fuzz as
# regression cases once mended.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${FUZZ_SECONDS:-60}
dir=$root/build-fuzz
CXX=clang++ cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSPINDRA_FUZZ=ON -DSPINDRA_GUI=OFF -DSPINDRA_BENCH=OFF >/dev/null
cmake --build "$dir" --target fuzz_model_file
corpus=$dir/corpus
mkdir -p "$corpus" "$dir/crashes"
cp "$root"/examples/*.rtm "$root"/tests/data/fuzz/* "$corpus"/ 2>/dev/null || true
"$dir/tests/fuzz_model_file" "$corpus" -max_total_time="$seconds" -timeout=10 \
  -rss_limit_mb=2048 -artifact_prefix="$dir/crashes/" -print_final_stats=1 2>&1 | tail -n 15
