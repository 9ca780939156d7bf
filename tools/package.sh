#!/usr/bin/env bash
# Builds Spindra into build/ (or the folder given) and makes the Debian
# package there: spindra_<version>_<arch>.deb.  Install it with
#   apt install ./build/spindra_<version>_<arch>.deb
# Needs dpkg-dev (dpkg-shlibdeps works out the dependencies from the binaries).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$(realpath -m "${1:-$root/build}")
"$root/tools/build.sh" "$dir"
cd "$dir"
cpack -G DEB
ls -1 "$dir"/spindra_*.deb
