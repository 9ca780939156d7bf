#!/usr/bin/env bash
# Builds the fuzzers with clang (libFuzzer, ASan, UBSan) and runs them for a
# fixed time, FUZZ_SECONDS in all (default 60), split between them:
#   fuzz_model_file  the model file reader (what it accepts writes and reads
#                    back to the same text),
#   fuzz_analysis    every model the reader accepts through the frequency
#                    analysis and the forced response, into files that must
#                    hold only finite numbers.
# Each starts from the examples and the inputs kept in tests/data/fuzz.  Any
# crash, hang or sanitizer report fails; an input may take up to a minute
# (the frequency analysis of a branched 100-inertia model takes seconds
# under the sanitizers and coverage, on a busy machine tens of seconds).  Inputs it finds are kept in
# build-fuzz/crashes; once mended, copy them to tests/data/fuzz, where CTest
# replays every one (the *_replay tests of the normal build).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${FUZZ_SECONDS:-60}
dir=$root/build-fuzz
seeds=$root/tests/data/fuzz
if [ ! -d "$seeds" ] || [ -z "$(ls -A "$seeds")" ]; then
  echo "fuzz.sh: the seed inputs $seeds are missing" >&2
  exit 1
fi
CXX=clang++ cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSPINDRA_FUZZ=ON -DSPINDRA_GUI=OFF -DSPINDRA_BENCH=OFF >/dev/null
fuzzers=(fuzz_model_file fuzz_analysis)
cmake --build "$dir" --target "${fuzzers[@]}"
share=$(( seconds / ${#fuzzers[@]} ))
[ "$share" -ge 1 ] || share=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
mkdir -p "$dir/crashes"
for name in "${fuzzers[@]}"; do
  corpus=$dir/corpus/$name
  mkdir -p "$corpus"
  cp "$root"/examples/*.rtm "$seeds"/* "$corpus"/
  echo "== $name, $share s"
  "$dir/tests/$name" "$corpus" -max_total_time="$share" -timeout=60 \
    -rss_limit_mb=2048 -artifact_prefix="$dir/crashes/$name-" -print_final_stats=1 2>&1 |
    tail -n 15
done
