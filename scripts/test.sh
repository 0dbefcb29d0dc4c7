#!/usr/bin/env bash
# Sets up the machine, builds both programs (and the host build with
# sanitizers and fuzz targets) and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
for preset in host windows sanitize; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
status=0
ctest --preset host || status=1
ctest --preset windows || status=1
ctest --preset sanitize || status=1
exit $status
