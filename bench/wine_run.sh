#!/usr/bin/env bash
# Times the Windows build under Wine on the typical machine: one full run of
# korvinst.exe against bench/reg_work.bat, the same registry work as reg.exe
# calls. Each run starts from the same machine; after each, the registry is
# read back and must be the same for both. Prints one JSON object.
#   bash bench/wine_run.sh <korvinst.exe> <korvinst_bench> [runs]
set -euo pipefail
exe=$(realpath "$1")
bench=$(realpath "$2")
runs=${3:-5}
here=$(cd "$(dirname "$0")" && pwd)

export WINEPREFIX=${KORVINST_BENCH_WINEPREFIX:-${TMPDIR:-/tmp}/korvinst-bench-wine}
export WINEARCH=win64 WINEDEBUG=-all
drive=$WINEPREFIX/drive_c
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i >/dev/null 2>&1
fi
# One wine server for every run, so that none pays for starting it.
wineserver -p

work=$(mktemp -d "${TMPDIR:-/tmp}/korvinst-wine-run-XXXXXX")
trap 'wineserver -k || true; rm -rf "$work"' EXIT
"$bench" --typical-machine "$work/machine"
mkdir -p "$drive/korvbench"
sed 's/$/\r/' "$here/reg_work.bat" >"$drive/korvbench/reg_work.bat"
cp "$work/machine/registry.reg" "$drive/korvbench/typical.reg"
cat >"$drive/korvbench/reset.bat" <<'EOF'
@echo off
reg delete "HKCU\Software\Borland" /f >nul 2>&1
reg delete "HKLM\Software\Borland" /f /reg:32 >nul 2>&1
reg delete "HKLM\SOFTWARE\Microsoft\Windows\Help" /v MIRADOC.HLP /f /reg:32 >nul 2>&1
reg import C:\korvbench\typical.reg /reg:32 >nul 2>&1
EOF
sed -i 's/$/\r/' "$drive/korvbench/reset.bat"

reset() {
  rm -rf "$drive/LIB" "$drive/D3"
  cp -r "$work/machine/drive_c/LIB" "$work/machine/drive_c/D3" "$drive/"
  wine cmd /c 'C:\korvbench\reset.bat' >/dev/null 2>&1
}

# What the run left in the registry.
state() {
  wine reg query 'HKCU\Software\Borland' /s 2>/dev/null | tr -d '\r'
  wine reg query 'HKLM\SOFTWARE\Microsoft\Windows\Help' /v MIRADOC.HLP /reg:32 2>/dev/null | tr -d '\r'
}

now_ns() { date +%s%N; }

# Runs one kind once from the typical machine; prints its wall time in ms.
run_once() {
  local kind=$1 start end status=0
  reset
  start=$(now_ns)
  if [ "$kind" = korvinst ]; then
    wine "$exe" INSTALL 'C:\LIB' >/dev/null 2>&1 || status=$?
  else
    wine cmd /c 'C:\korvbench\reg_work.bat' 'C:\LIB' >/dev/null 2>&1 || status=$?
  fi
  end=$(now_ns)
  if [ "$status" -ne 0 ]; then
    echo "wine_run: $kind ended with status $status" >&2
    exit 1
  fi
  state >"$work/state.$kind"
  if [ "$kind" = korvinst ] &&
     ! grep -q '^:Index Korvane Vol I Reference =MIRADOC.HLP' "$drive/D3/Help/DELPHI3.CNT"; then
    echo "wine_run: korvinst did not merge the contents file" >&2
    exit 1
  fi
  echo $(( (end - start) / 1000 ))
}

# One run of each first, untimed: Wine loads its own files into the cache.
run_once korvinst >/dev/null
run_once script >/dev/null
if ! cmp -s "$work/state.korvinst" "$work/state.script"; then
  echo "wine_run: the script's registry differs from korvinst's:" >&2
  diff "$work/state.korvinst" "$work/state.script" >&2 || true
  exit 1
fi
grep -q 'KQV104_D.DPL' "$work/state.korvinst" || {
  echo "wine_run: korvinst did not register its packages" >&2; exit 1; }

korvinst_us=()
script_us=()
for ((i = 0; i < runs; i++)); do
  korvinst_us+=("$(run_once korvinst)")
  script_us+=("$(run_once script)")
  cmp -s "$work/state.korvinst" "$work/state.script" || {
    echo "wine_run: the registries differ after run $i" >&2; exit 1; }
done

python3 - "${korvinst_us[*]}" "${script_us[*]}" "$(wine --version)" <<'EOF'
import json, statistics, sys
ours = [int(x) for x in sys.argv[1].split()]
script = [int(x) for x in sys.argv[2].split()]
print(json.dumps({
    "wine": sys.argv[3],
    "runs": len(ours),
    "korvinst_us": ours,
    "reg_script_us": script,
    "korvinst_median_us": statistics.median(ours),
    "reg_script_median_us": statistics.median(script),
    "ratio_script_to_korvinst":
        statistics.median(script) / statistics.median(ours),
}))
EOF
