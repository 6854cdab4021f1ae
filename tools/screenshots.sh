#!/usr/bin/env bash
# Regenerates the README's screenshots (docs/*.png): the main window after a refresh, the
# filter bar in use, the Connection Info dialog, the About window, the tray icon in the taskbar,
# the change marks after a second refresh, the programs' icons, a balloon from the tray while
# Sockmere keeps watch, and the main window on a display of 144 DPI. Sockmere runs with the fake
# listing command in Wine's virtual desktop (the one named "shell" has a taskbar), on a virtual
# display, in prefixes inside the build tree.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${SOCKMERE_BUILD:-$root/build}
out=$root/docs

"$root/tools/install-deps" run
cmake -S "$root" -B "$build/win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$build/win" -j "$(nproc)" --target Sockmere probe fake_netstat
mkdir -p "$out"

xvfb-run -a -s "-screen 0 1024x768x24" bash -s "$root" "$build/win" "$out" <<'SHOTS'
set -euo pipefail
root=$1 win=$2 out=$3
prefix=$win/shot-prefix
desktop=shell,900x600
"$root/tools/wine-prefix" fake "$prefix" "$win/netstat.exe"
export WINEPREFIX=$prefix WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap '"$root/tools/wine-prefix" stop "$prefix"' EXIT

probe() { wine explorer /desktop=$desktop "$win/probe.exe" "$@" 2>/dev/null; }
shoot() {  # shoot CLASS FILE: crop one window out of the screen
    local rect
    for _ in $(seq 50); do rect=$(probe rect "$1" || true); [ -n "$rect" ] && break; sleep 0.2; done
    read -r x y w h <<<"$rect"
    sleep 0.5
    import -window root -crop "${w}x${h}+${x}+${y}" +repage "$2"
    echo "saved $2"
}

SOCKMERE_FAKE_ROWS=40 wine explorer /desktop=$desktop "$win/Sockmere.exe" </dev/null >/dev/null 2>&1 &
probe wait-done 120 >/dev/null
shoot TForm1 "$out/main-window.png"

# The filter bar, opened from the table's menu (its last item), with two words typed.
probe menu up return
sleep 0.5
probe type "443 -TIME_WAIT"
shoot TForm1 "$out/filter-bar.png"
probe box escape
sleep 0.5

probe open-row 0
shoot TForm2 "$out/connection-info.png"
probe close TForm2
sleep 0.5

probe click About
shoot TForm3 "$out/about.png"
probe close TForm3
sleep 0.5

probe click Tray
sleep 1.5
# The right end of the taskbar, with the notification area, enlarged.
import -window root -crop 120x20+780+580 +repage png:- | convert - -scale 300% "$out/tray-icon.png"
echo "saved $out/tray-icon.png"
probe close TForm1 || true
wait

# The change marks: a first listing, then a second one with two states changed, two rows gone
# and two new, each row's fields as the fake netstat prints them.
listing=$win/shot-listing.txt
SOCKMERE_FAKE_ROWS=8 wine "$win/netstat.exe" </dev/null >"$listing" 2>/dev/null
wine reg add 'HKCU\Software\Sockmere\sockmere' /v HighlightChanges /d True /f >/dev/null 2>&1
fake_file=$(winepath -w "$listing")
SOCKMERE_FAKE_FILE=$fake_file wine explorer /desktop=$desktop "$win/Sockmere.exe" </dev/null >/dev/null 2>&1 &
# The desktop must be Sockmere's: a program started into another's would not see the fake file.
# Then the first listing must be in before the file changes: a probe started while the desktop
# comes up may return at once, so the status is asked until it says so.
for _ in $(seq 100); do pgrep -f "$win/Sockmere.exe" >/dev/null && break; sleep 0.1; done
for _ in $(seq 300); do [ "$(probe status || true)" = "Done." ] && break; sleep 0.2; done
awk 'NR == 6 { sub(/CLOSE_WAIT/, "TIME_WAIT   ") } NR == 12 { sub(/SYN_SENT/, "ESTABLISHED") }
     NR == 8 || NR == 11 { next } { print }
     NR == 7 { printf "  TCP    192.168.1.20:50412     140.82.121.4:443       ESTABLISHED\r\n" }
     END { printf "  UDP    0.0.0.0:5353           *:*                    \r\n" }' "$listing" >"$listing.next"
mv "$listing.next" "$listing"
probe click "Get Connections"
for _ in $(seq 100); do probe status | grep -q closed && break; sleep 0.2; done
shoot TForm1 "$out/change-marks.png"
probe close TForm1 || true
wait
wine reg delete 'HKCU\Software\Sockmere' /f >/dev/null 2>&1 || true

# The owners' icons: "Show Processes" on, in a window wide enough for every column.
wine reg add 'HKCU\Software\Sockmere\sockmere' /v ShowProcesses /d True /f >/dev/null 2>&1
SOCKMERE_FAKE_ROWS=12 wine explorer /desktop=$desktop "$win/Sockmere.exe" </dev/null >/dev/null 2>&1 &
probe wait-done 120 >/dev/null
probe size 700 330 >/dev/null
sleep 0.5
shoot TForm1 "$out/process-icons.png"

# A balloon: in the tray with "New Listening Ports" on and updates every second, two ports open.
SOCKMERE_FAKE_ROWS=8 wine "$win/netstat.exe" </dev/null >"$listing" 2>/dev/null
wine reg add 'HKCU\Software\Sockmere\sockmere' /v NotifyListening /d True /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Sockmere\sockmere' /v RefreshEvery /d 1 /f >/dev/null 2>&1
SOCKMERE_FAKE_FILE=$fake_file wine explorer /desktop=$desktop "$win/Sockmere.exe" </dev/null >/dev/null 2>&1 &
for _ in $(seq 100); do pgrep -f "$win/Sockmere.exe" >/dev/null && break; sleep 0.1; done
for _ in $(seq 300); do [ "$(probe status || true)" = "Done." ] && break; sleep 0.2; done
probe click Tray
sleep 3
printf '  TCP    0.0.0.0:8080           0.0.0.0:0              LISTENING\r\n  UDP    0.0.0.0:5353           *:*                    \r\n' >>"$listing"
sleep 4
import -window root -crop 220x115+680+487 +repage png:- | convert - -scale 200% "$out/watch-balloon.png"
echo "saved $out/watch-balloon.png"
probe close TForm1 || true
wait
wine reg delete 'HKCU\Software\Sockmere' /f >/dev/null 2>&1 || true

# At 144 DPI, in a prefix of its own: Wine reads the DPI once per process, from the registry.
"$root/tools/wine-prefix" stop "$prefix"
prefix=$win/shot-prefix-144
desktop=shell,1000x680
"$root/tools/wine-prefix" fake "$prefix" "$win/netstat.exe" 144
export WINEPREFIX=$prefix
SOCKMERE_FAKE_ROWS=40 wine explorer /desktop=$desktop "$win/Sockmere.exe" </dev/null >/dev/null 2>&1 &
probe wait-done 120 >/dev/null
shoot TForm1 "$out/main-window-144.png"
probe close TForm1 || true
wait
SHOTS
