#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: once as a normal
# build, once with AddressSanitizer and UndefinedBehaviorSanitizer, and the
# fuzzers (model file reader, analyses) for a short, fixed time.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/install-deps.sh"
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

# Both builds treat a compiler warning as an error, so the tree stays free
# of warnings.
echo "== normal build"
"$root/tools/build.sh" "$root/build" -DSPINDRA_WERROR=ON
ctest --test-dir "$root/build" --output-on-failure -j "$jobs"

echo "== sanitizer build"
"$root/tools/build.sh" "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DSPINDRA_SANITIZE=ON \
  -DSPINDRA_BENCH=OFF -DSPINDRA_WERROR=ON
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$root/build-asan" --output-on-failure -j "$jobs"

if [ -x "$root/tools/fuzz.sh" ]; then
  echo "== fuzzing"
  "$root/tools/fuzz.sh"
fi
