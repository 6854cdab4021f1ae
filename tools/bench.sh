#!/usr/bin/env bash
# Builds like tools/test.sh, then runs every benchmark: bench/native_*.cpp natively and
# bench/win_*.cpp under Wine and Xvfb in the test prefix, and prints their figures.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${SOCKMERE_BUILD:-$root/build}

"$root/tools/build.sh" || exit 1

failed=0
exe=$build/win/Sockmere.exe
if [ -e "$exe" ]; then
    echo "== Sockmere.exe"
    size=$(stat -c %s "$exe")
    symbols=stripped
    i686-w64-mingw32-nm "$exe" 2>&1 | grep -q "no symbols" || symbols="NOT stripped"
    verdict=met
    [ "$size" -le $((450 * 1024)) ] && [ "$symbols" = stripped ] || verdict="NOT met"
    echo "size: $size bytes ($((size / 1024)) KiB), $symbols; target (at most 450 KiB, stripped): $verdict"
fi
# Names come from the sources, so test programs in the same folders are never taken for benches.
for src in "$root"/bench/native_*.cpp; do
    [ -e "$src" ] || continue
    name=$(basename "$src" .cpp)
    echo "== $name"
    "$build/native/$name" || { echo "$name failed"; failed=1; }
done

prefix=$build/win/wineprefix
win_benches=()
for src in "$root"/bench/win_*.cpp; do
    [ -e "$src" ] && win_benches+=("$(basename "$src" .cpp)")
done
if [ ${#win_benches[@]} -gt 0 ]; then
    # One X server for all of them; the prefix's wineserver is stopped whatever happens.
    xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
        root=$1 build=$2 prefix=$3; shift 3
        "$root/tools/wine-prefix" setup "$prefix" "$build/win/netstat.exe" || exit 1
        rc=0
        # Wine draws its visual theme in software; the refreshes are measured in the classic look
        # too, which is the program'"'"'s own cost without that.
        look() {
            WINEPREFIX=$prefix WINEDEBUG=-all wine reg add \
                "HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager" \
                /v ThemeActive /d "$1" /f </dev/null >/dev/null 2>&1
        }
        look 1
        for name in "$@"; do
            echo "== $name"
            "$root/tools/wine-exec" "$prefix" "$build/win/$name.exe" || { echo "$name failed"; rc=1; }
        done
        look 0
        for name in win_refresh win_processes win_filter; do
            [ -e "$build/win/$name.exe" ] || continue
            echo "== $name (classic look)"
            "$root/tools/wine-exec" "$prefix" "$build/win/$name.exe" || { echo "$name failed"; rc=1; }
        done
        look 1
        exit $rc' _ "$root" "$build" "$prefix" "${win_benches[@]}" || failed=1
    "$root/tools/wine-prefix" stop "$prefix"
fi
exit $failed
