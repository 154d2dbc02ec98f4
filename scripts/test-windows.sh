#!/usr/bin/env bash
# Runs the Windows build of the player and its tools under Wine and Xvfb, next to the Linux build on the same show:
#   scripts/test-windows.sh [x86|x64] [FOLDER]  (default x86; run scripts/build-windows.sh first)
# FOLDER: a folder demo-pack made with --windows, of the sample show, checked instead of dist/windows-<arch>.
# Checks: demo-inspect prints the same report; demo.exe plays a short show to its end by itself (exit code 0) and
# ends a long one on Escape; a frame the player shows (F12 in editor mode, paused) and a frame demo-render.exe
# renders both match the Linux demo-render frame at the same music position; a scene and a shader that crash their
# libraries are each reported as that file's crash by demo-file-helper.exe. Prints timings of both builds.
set -uo pipefail

REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
TARGET=${1:-x86}
DIST=${2:-$REPO/dist/windows-$TARGET}
DIST=$(cd "$DIST" 2>/dev/null && pwd || echo "$DIST")
LINUX_BUILD=${LINUX_BUILD:-$REPO/build}
WORK=$REPO/build-windows/test-$TARGET
SIZE=320x180
# Debian's own Python, where python3-pil is (a Python of the user's may come first on the PATH).
PYTHON=/usr/bin/python3
[ -f "$DIST/demo.exe" ] || { echo "test-windows: $DIST/demo.exe is missing: run scripts/build-windows.sh $TARGET" >&2; exit 2; }

# What the checks need: Wine and its 32-bit Mesa, an X server, a key sender, an image library; the Linux tools.
missing=()
for package in $(grep -v "^#" "$REPO/deps/windows-packages.txt"); do
    dpkg-query -W -f '${Status}' "$package" 2>/dev/null | grep -q "ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""; [ "$(id -u)" = 0 ] || sudo=sudo
    $sudo dpkg --add-architecture i386
    # shellcheck source=apt-install.sh
    source "$REPO/scripts/apt-install.sh"
    APT_PREFIX=$sudo apt_install "${missing[@]}"
fi
if [ ! -x "$LINUX_BUILD/demo-render" ] || [ ! -x "$LINUX_BUILD/demo-inspect" ]; then
    cmake -S "$REPO" -B "$LINUX_BUILD" -DCMAKE_BUILD_TYPE=Release >/dev/null && cmake --build "$LINUX_BUILD" -j "$(nproc)" \
        --target demo-render demo-inspect >/dev/null || { echo "test-windows: cannot build the Linux tools" >&2; exit 2; }
fi

rm -rf "$WORK" && mkdir -p "$WORK"
# shellcheck source=headless-display.sh
source "$REPO/scripts/headless-display.sh"
export LIBGL_ALWAYS_SOFTWARE=1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEPREFIX=${WINEPREFIX:-$REPO/build-windows/wineprefix}
started=$(date +%s.%N)
wineboot --init >/dev/null 2>&1
echo "== Wine prefix ready in $(echo "$(date +%s.%N) - $started" | bc | cut -c1-5) s ($(wine --version))"

failures=0
pass() { echo "ok   $1"; }
fail() { echo "FAIL $1" >&2; failures=$((failures + 1)); }
now() { date +%s.%N; }
since() { echo "$(now) - $1" | bc | awk '{printf "%.2f", $1}'; }

compare_frames() { "$PYTHON" "$REPO/scripts/windows/compare_frames.py" "$@"; }

# --- demo-inspect: the same report -------------------------------------------------------------------------------
(cd "$REPO/show" && "$LINUX_BUILD/demo-inspect" --json --at 42 >"$WORK/inspect-linux.json")
(cd "$DIST" && wine demo-inspect.exe --json --at 42 2>"$WORK/inspect-windows.err" | tr -d '\r' >"$WORK/inspect-windows.json")
if diff -u "$WORK/inspect-linux.json" "$WORK/inspect-windows.json" >"$WORK/inspect.diff"; then
    pass "demo-inspect.exe --json --at 42 prints the Linux report byte for byte ($(wc -c <"$WORK/inspect-linux.json") bytes)"
else
    fail "demo-inspect.exe prints another report (see $WORK/inspect.diff)"; head -n 20 "$WORK/inspect.diff" >&2
fi
# With the scenes imported and animated on the headless device (a hidden window's WGL context on Windows).
(cd "$REPO/show" && "$LINUX_BUILD/demo-inspect" --json --at 42 --scenes >"$WORK/scenes-linux.json")
(cd "$DIST" && wine demo-inspect.exe --json --at 42 --scenes 2>"$WORK/scenes-windows.err" | tr -d '\r' \
    >"$WORK/scenes-windows.json")
if figures=$("$PYTHON" "$REPO/scripts/windows/compare_reports.py" "$WORK/scenes-linux.json" "$WORK/scenes-windows.json"); then
    pass "demo-inspect.exe --json --at 42 --scenes matches the Linux report: $figures"
else fail "demo-inspect.exe --scenes differs from the Linux report: $figures"; fi

# --- demo.exe: a short show ends by itself at the end of its music --------------------------------------------------
short=$WORK/short-show
mkdir -p "$short"
cp -r "$DIST/resources" "$short/"
# The track's name is not ASCII: the manifest's UTF-16 path has to reach the file system as it is.
ffmpeg -loglevel error -f lavfi -i "sine=frequency=220:duration=3" -ac 2 -ar 44100 -c:a pcm_s16le \
    "$short/resources/música ♪.wav"
sed -i -E 's#(name="audioTrack"[[:space:]]+path=")[^"]*"#\1resources/música ♪.wav"#' "$short/resources/resources.xml"
cp "$DIST"/*.exe "$DIST"/*.dll "$short/"
t0=$(now)
(cd "$short" && timeout 180 wine demo.exe --size $SIZE >"$WORK/short.out" 2>&1)
status=$?
short_seconds=$(since "$t0")
# At least the music's length: a track that could not be read would end the run at once (or wait on a box).
if [ $status = 0 ] && [ "$(echo "$short_seconds >= 3" | bc)" = 1 ]; then pass "demo.exe plays a 3 s show (music named \"música ♪.wav\") to its end and exits with 0 (${short_seconds} s from start to exit)"
else fail "demo.exe on the 3 s show: exit code $status after $short_seconds s (see $WORK/short.out)"; fi

# A set-up error the player cannot handle: the reason on standard error (redirected here, so not moved to the
# console) and exit code 1.
cp -r "$short" "$WORK/empty-show" && echo "<Timeline></Timeline>" >"$WORK/empty-show/resources/timeline.xml"
(cd "$WORK/empty-show" && timeout 120 wine demo.exe --size $SIZE >"$WORK/empty.out" 2>"$WORK/empty.err")
status=$?
if [ $status = 1 ] && grep -q "The timeline is empty" "$WORK/empty.err"; then
    pass "demo.exe on an empty timeline says \"The timeline is empty\" on standard error and exits with 1"
else fail "demo.exe on an empty timeline: exit code $status, standard error: $(head -c 200 "$WORK/empty.err")"; fi

wait_for_window() { # wait_for_window <seconds>: prints the player window's X id once it is mapped
    local id
    for _ in $(seq $(($1 * 10))); do
        id=$(xdotool search --onlyvisible --name "^CorvidMinimal$" 2>/dev/null | head -n 1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}
press() { # press <window> <key>
    xdotool windowfocus --sync "$1" >/dev/null 2>&1 || true
    xdotool key --clearmodifiers "$2"
}

# --- demo.exe: Escape ends the sample show --------------------------------------------------------------------------
t0=$(now)
(cd "$DIST" && exec timeout 180 wine demo.exe --size $SIZE >"$WORK/escape.out" 2>&1) &
player=$!
if [ -f "$DIST/demo-options.txt" ]; then
    # A packed folder opens the setup dialog first: Enter starts the show (at --size, from the command line).
    dialog=""
    for _ in $(seq 600); do
        dialog=$(xdotool search --onlyvisible --name "^CorvidMinimal setup$" 2>/dev/null | head -n 1)
        [ -n "$dialog" ] && break
        sleep 0.1
    done
    if [ -n "$dialog" ]; then
        pass "demo.exe in the packed folder opens the setup dialog ($(since "$t0") s after start)"
        press "$dialog" Return
    else fail "demo.exe in the packed folder opened no setup dialog in 60 s (see $WORK/escape.out)"; fi
fi
if window=$(wait_for_window 60); then
    window_seconds=$(since "$t0")
    sleep 8
    press "$window" Escape
    wait $player
    status=$?
    if [ $status = 0 ]; then pass "Escape ends demo.exe on the sample show with exit code 0 (window after ${window_seconds} s)"
    else fail "demo.exe after Escape: exit code $status (see $WORK/escape.out)"; fi
else
    fail "demo.exe opened no window in 60 s (see $WORK/escape.out)"; kill $player 2>/dev/null; wait $player 2>/dev/null
fi

# The Linux player's window, for the same figure.
t0=$(now)
(cd "$REPO/show" && exec timeout 60 "$LINUX_BUILD/demo" --size $SIZE >/dev/null 2>&1) &
player=$!
if window=$(wait_for_window 30); then
    linux_window_seconds=$(since "$t0"); press "$window" Escape
fi
wait $player 2>/dev/null

# --- the player's own frame against demo-render's on Linux -----------------------------------------------------------
shots=$WORK/editor-show
mkdir -p "$shots" && cp -r "$DIST/resources" "$shots/" && cp "$DIST"/*.exe "$DIST"/*.dll "$shots/"
(cd "$shots" && DEMO_DEBUG_OUTPUT=1 exec timeout 180 wine demo.exe editor --size $SIZE --at 42 >"$WORK/editor.out" 2>&1) &
player=$!
if window=$(wait_for_window 60); then
    # Paused, then to exactly 40 s (Home, four times Shift+Right): a position demo-render can be given to the
    # sample frame, film grain included (its seed is the music time).
    sleep 10
    press "$window" space
    press "$window" Home
    for _ in 1 2 3 4; do press "$window" shift+Right; done
    sleep 3
    press "$window" F12
    # And what the window shows, read from the X server, with the overlay off (F1).
    press "$window" F1
    sleep 2
    WIDTH=""
    eval "$(xdotool getwindowgeometry --shell "$window" 2>/dev/null)"
    [ -n "$WIDTH" ] && ffmpeg -loglevel error -f x11grab -video_size "${WIDTH}x${HEIGHT}" -i "$DISPLAY+$X,$Y" \
        -frames:v 1 "$WORK/windows-window-at-40.000.png"
    # Live reload (ReadDirectoryChangesW): a timeline written in place and a shader saved by renaming a new copy
    # over it, as editors do, are read again; DEMO_DEBUG_OUTPUT prints a line for each.
    echo "<!-- saved -->" >>"$shots/resources/timeline.xml"
    cp "$shots/resources/shaders/post_color_p0.hlsl" "$shots/resources/shaders/saved.tmp"
    mv "$shots/resources/shaders/saved.tmp" "$shots/resources/shaders/post_color_p0.hlsl"
    for _ in $(seq 100); do grep -aq "^reload: shaders" "$WORK/editor.out" && break; sleep 0.1; done
    sleep 1
    for _ in $(seq 100); do compgen -G "$shots/frame-*.png" >/dev/null && break; sleep 0.1; done
    sleep 1
    press "$window" Escape
fi
wait $player 2>/dev/null
shot=$(compgen -G "$shots/frame-*.png" | head -n 1)
if [ -n "$shot" ]; then
    # frame-MM-SS.mmm.png: the music position of the frame on screen.
    name=$(basename "$shot" .png)
    minutes=${name:6:2}; seconds=${name:9:6}
    at=$(echo "$((10#$minutes)) * 60 + $seconds" | bc)
    (cd "$REPO/show" && "$LINUX_BUILD/demo-render" --size $SIZE --at "$at" --out "$WORK/linux-at-$at.png" >/dev/null 2>&1)
    cp "$shot" "$WORK/windows-player-at-$at.png"
    if figures=$(compare_frames "$WORK/windows-player-at-$at.png" "$WORK/linux-at-$at.png"); then
        pass "demo.exe's frame at $at s (F12, paused) matches Linux demo-render: $figures"
    else fail "demo.exe's frame at $at s differs from Linux demo-render: $figures"; fi
    if [ ! -f "$WORK/windows-window-at-$at.png" ]; then fail "no screenshot of demo.exe's window"
    elif figures=$(compare_frames "$WORK/windows-window-at-$at.png" "$WORK/linux-at-$at.png"); then
        pass "a screenshot of demo.exe's window at $at s matches Linux demo-render: $figures"
    else fail "a screenshot of demo.exe's window at $at s differs from Linux demo-render: $figures"; fi
else
    fail "demo.exe wrote no F12 frame in editor mode (see $WORK/editor.out)"
fi

reloads=$(grep -ac "^reload: done" "$WORK/editor.out" || true)
if [ "$reloads" -ge 1 ] && grep -aq "^reload: timeline.xml" "$WORK/editor.out" && grep -aq "^reload: shaders" "$WORK/editor.out" \
    && ! grep -aq "^reload error" "$WORK/editor.out"; then
    pass "editor mode reloads a saved timeline and a saved shader ($(grep -a "^reload" "$WORK/editor.out" | tr '\n' ';' | cut -c1-160))"
else fail "editor mode did not reload the saved files (see $WORK/editor.out)"; fi

# --- demo-render.exe against demo-render ---------------------------------------------------------------------------
for at in 40 120 165; do
    (cd "$REPO/show" && "$LINUX_BUILD/demo-render" --size $SIZE --at $at --out "$WORK/linux-render-$at.png" >/dev/null 2>&1)
    (cd "$DIST" && wine demo-render.exe --size $SIZE --at $at --out "$(winepath -w "$WORK/windows-render-$at.png")" \
        >"$WORK/render-$at.out" 2>&1)
    if [ ! -f "$WORK/windows-render-$at.png" ]; then fail "demo-render.exe --at $at wrote no frame (see $WORK/render-$at.out)"
    elif figures=$(compare_frames "$WORK/windows-render-$at.png" "$WORK/linux-render-$at.png"); then
        pass "demo-render.exe --at $at matches Linux demo-render: $figures"
    else fail "demo-render.exe --at $at differs from Linux demo-render: $figures"; fi
done

# --- files that crash a library: the file helper (demo-file-helper.exe) makes them files that do not load -----------
crashers=$WORK/crasher-show
mkdir -p "$crashers" && cp -r "$DIST/resources" "$crashers/" && cp "$DIST"/*.exe "$DIST"/*.dll "$crashers/"
cp "$REPO/tests/data/library_crashers/gltf_segfault.gltf" "$crashers/resources/hall.gltf"
"$PYTHON" - "$crashers/resources/resources.xml" <<'EOF'
import re, sys
path = sys.argv[1]
text = open(path, encoding="utf-8").read()
# The scene named "Hall" is read from the crashing glTF.
text = re.sub(r'(<Scene\b[^>]*\bname="Hall"[^>]*\bpath=")[^"]*"', r'\1resources/hall.gltf"', text)
open(path, "w", encoding="utf-8").write(text)
EOF
cp "$REPO/tests/data/library_crashers/hlsl_segfault.hlsl" "$crashers/resources/shaders/post_lens_p0.hlsl"
t0=$(now)
(cd "$crashers" && timeout 300 wine demo-render.exe --size $SIZE --at 40 --out crashers.png >"$WORK/crashers.out" 2>&1)
status=$?
if [ $status = 0 ] && [ -f "$crashers/crashers.png" ] \
    && grep -aq "'resources/hall.gltf': the scene importer crashed" "$WORK/crashers.out" \
    && grep -aq "'resources/shaders/post_lens_p0.hlsl': the shader compiler crashed" "$WORK/crashers.out"; then
    pass "demo-render.exe on a glTF that crashes the importer and a shader that crashes the compiler names both and renders the frame ($(since "$t0") s)"
else fail "demo-render.exe on files that crash a library: exit code $status (see $WORK/crashers.out)"; fi

# --- timings -------------------------------------------------------------------------------------------------------
time_render() { # time_render <command...>: seconds for a 2-second, 30-frame-a-second capture at SIZE
    local t0; t0=$(now); "$@" --size $SIZE --from 40 --to 42 --fps 30 >/dev/null 2>&1; since "$t0"
}
rm -rf "$WORK/frames-linux" "$WORK/frames-windows"
linux_first=$( (cd "$REPO/show" && t0=$(now) && "$LINUX_BUILD/demo-render" --size $SIZE --at 0 --out "$WORK/first-linux.png" >/dev/null 2>&1; since "$t0") )
windows_first=$( (cd "$DIST" && t0=$(now) && wine demo-render.exe --size $SIZE --at 0 --out first.png >/dev/null 2>&1; since "$t0"; rm -f first.png) )
linux_frames=$( (cd "$REPO/show" && time_render "$LINUX_BUILD/demo-render" --out "$WORK/frames-linux/") )
windows_frames=$( (cd "$DIST" && time_render wine demo-render.exe --out "$(winepath -w "$WORK/frames-windows")\\") )
echo "== timings at $SIZE (llvmpipe; Linux native / Windows under Wine)"
echo "   start to first frame, demo-render --at 0: ${linux_first} s / ${windows_first} s"
echo "   60 frames from 40 s, demo-render: ${linux_frames} s / ${windows_frames} s"
echo "   demo window mapped after start: ${linux_window_seconds:-?} s / ${window_seconds:-?} s"
echo "   short show, start to exit (3 s of music): ${short_seconds} s under Wine"

if [ $failures -gt 0 ]; then echo "== $failures check(s) failed; files in $WORK" >&2; exit 1; fi
echo "== all checks passed; files in $WORK"
