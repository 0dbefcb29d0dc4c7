#!/usr/bin/env bash
# Builds the Linux program and runs it on a demo machine with Delphi 3.0 and
# C++Builder 3.0 and the library in C:\LIB; then shows what it changed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
cmake --preset host >/dev/null
cmake --build --preset host --target korvinst >/dev/null
machine=build/demo-machine
rm -rf "$machine" build/demo-before
cp -r demo/machine "$machine"
cp -r demo/machine build/demo-before
echo '$ korvinst INSTALL C:\LIB'
status=0
KORVINST_MACHINE="$machine" build/host/korvinst INSTALL 'C:\LIB' || status=$?
echo "exit status: $status"
echo
echo "== registry: what changed"
diff -u --strip-trailing-cr build/demo-before/registry.reg "$machine/registry.reg" | tail -n +3 || true
echo
echo "== C:\\D3\\Help\\DELPHI3.CNT: what changed"
diff -u --strip-trailing-cr build/demo-before/drive_c/D3/Help/DELPHI3.CNT \
  "$machine/drive_c/D3/Help/DELPHI3.CNT" | tail -n +3 || true
