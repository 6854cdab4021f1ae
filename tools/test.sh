#!/usr/bin/env bash
# Installs what is missing, builds the native core and the Windows build, and runs every test:
# the native suite under sanitizers, the fuzz test, and the Win32 suites under Wine and Xvfb.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${SOCKMERE_BUILD:-$root/build}

"$root/tools/build.sh" || exit 1

rm -rf "$build/native/results" "$build/win/results"
mkdir -p "$build/native/results" "$build/win/results"

(cd "$build/native" && ctest --output-on-failure --output-junit results/ctest.xml)
native_rc=$?
# One X server for every Win32 test; the prefix's wineserver is stopped by the last test.
xvfb-run -a -s "-screen 0 1280x1024x24" \
    bash -c "cd '$build/win' && ctest --output-on-failure --output-junit results/ctest.xml"
win_rc=$?

python3 "$root/tools/test-summary.py" "$build/native/results" "$build/win/results"
summary_rc=$?
[ $native_rc -eq 0 ] && [ $win_rc -eq 0 ] && [ $summary_rc -eq 0 ]
