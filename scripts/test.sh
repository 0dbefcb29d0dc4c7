#!/usr/bin/env bash
# Sets up the machine, builds both programs and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
for preset in host windows; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
status=0
ctest --preset host || status=1
ctest --preset windows || status=1
exit $status
