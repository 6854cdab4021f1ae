#!/usr/bin/env bash
# Installs what is missing, builds Sockmere for Windows and starts it under Wine, in a prefix of
# its own inside the build tree. With a display (DISPLAY set) the window opens there. Without
# one it runs on a virtual display, performs the first refresh, saves a PNG screenshot of the
# main window, says where, and exits. Arguments are passed on to Sockmere (-t, -n).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${SOCKMERE_BUILD:-$root/build}
prefix=$build/run-prefix

"$root/tools/install-deps" run
cmake -S "$root" -B "$build/win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$build/win" -j "$(nproc)" --target Sockmere probe

exe=$build/win/Sockmere.exe
if [ -n "${DISPLAY:-}" ]; then
    "$root/tools/wine-prefix" create "$prefix"
    status=0
    "$root/tools/wine-exec" "$prefix" "$exe" "$@" || status=$?
    "$root/tools/wine-prefix" stop "$prefix"
    exit $status
fi

shot=$build/sockmere.png
xvfb-run -a -s "-screen 0 1024x768x24" bash -s "$root" "$prefix" "$exe" "$build/win/probe.exe" "$shot" <<'HEADLESS'
set -euo pipefail
root=$1 prefix=$2 exe=$3 probe=$4 shot=$5
"$root/tools/wine-prefix" create "$prefix"
"$root/tools/wine-exec" "$prefix" "$exe" &
program=$!
if rect=$("$root/tools/wine-exec" "$prefix" "$probe" wait-done 120); then
    read -r x y w h <<<"$rect"
    import -window root -crop "${w}x${h}+${x}+${y}" +repage "$shot"
    echo "Sockmere ran its first refresh; screenshot of the main window: $shot"
else
    echo "Sockmere did not finish its first refresh" >&2
fi
"$root/tools/wine-exec" "$prefix" "$probe" close TForm1 || true
wait $program || true
"$root/tools/wine-prefix" stop "$prefix"
[ -f "$shot" ]
HEADLESS
