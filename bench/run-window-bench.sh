#!/usr/bin/env bash
# The window on slow storage, measured from outside under Xvfb and openbox: for reads that block
# 3 s, 8 s and for good (through the fault shim of tests/faults), how long the window leaves the
# window manager's pings unanswered, whether a second file chosen during the read replaces the
# first, and how long Exit takes; then the start-up time (launch to a mapped window with its
# report, median of 10) beside a bare Qt window's, and beside another zarvo's when one is given,
# each round launching all of them in turn, so that they share whatever else the machine does.
# The bare window is also timed with zarvo's reader program loading beside it, as zarvo's own
# reader loads while its window starts: on a machine with few cores that is the floor for zarvo.
#
# Usage: bench/run-window-bench.sh ZARVO SHIM [LABEL [BASELINE]]
#   ZARVO  the zarvo program to measure      SHIM  libzarvo_fault_shim.so
#   BASELINE  another zarvo (a build of an earlier commit) for the start-up comparison
# Needs Xvfb, openbox, xdotool, xprop, g++, libx11-dev and qt6-base-dev.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
zarvo=$(realpath "${1:?the zarvo program}")
shim=$(realpath "${2:?libzarvo_fault_shim.so}")
label=${3:-$zarvo}
baseline=${4:+$(realpath "$4")}
reader=$(dirname "$zarvo")/../reader/zarvo-reader
[ -x "$reader" ] || reader=$(dirname "$zarvo")/../libexec/zarvo/zarvo-reader
say() { echo "run-window-bench.sh: $*" >&2; }

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

g++ -O2 -std=c++20 -o "$work/window-probe" "$repo/bench/WindowProbe.cpp" -lX11
g++ -O2 -std=c++20 -fPIC -o "$work/bare-window" "$repo/bench/BareWindow.cpp" \
    $(pkg-config --cflags --libs Qt6Widgets)
probe=$work/window-probe

Xvfb :91 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=:91
sleep 1
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"

mkdir "$work/media"
cp "$repo/tests/media/h264_aac_srt.mkv" "$work/media/slow.mkv"
cp "$repo/tests/media/xvid_mp3.avi" "$work/media/fast.avi"

# Chooses FILE through the Open dialog of window W, as a person would: click, type, Enter.
open_file() {
    xdotool mousemove --window "$1" 461 135 click 1
    sleep 0.4
    xdotool type --delay 2 "$2"
    xdotool key Return
}

milliseconds() { date +%s%3N; }

echo "== $label"
printf '%-10s %-32s %-22s %s\n' read "longest ping round trip" "second file shown" \
    "Exit took (after the click)"
for stall in 3000 8000 600000; do
    LD_PRELOAD=$shim ZARVO_FAULT_FILE=$work/media/slow.mkv ZARVO_FAULT=stall=0,$stall \
        "$zarvo" >/dev/null 2>&1 &
    app=$!
    window=$("$probe" find Zarvo 20)
    open_file "$window" "$work/media/slow.mkv"
    seconds=$(( stall > 60000 ? 13 : stall / 1000 + 2 ))
    "$probe" ping "$window" "$seconds" >"$work/ping" &
    pinger=$!
    sleep 0.5
    open_file "$window" "$work/media/fast.avi"
    wait "$pinger"
    caption=$(xprop -id "$window" _NET_WM_NAME 2>/dev/null | sed 's/.*= //')
    superseded=no
    [ "$caption" = "\"Zarvo  [$work/media/fast.avi]\"" ] && superseded=yes
    # xdotool itself takes 100 ms and more to click, so the time is counted from its return (the
    # button's release, which is what Exit answers, is sent just before it returns).
    xdotool mousemove --window "$window" 461 243
    xdotool click 1
    start=$(milliseconds)
    exited="over 5 s (killed)"
    while [ $(( $(milliseconds) - start )) -lt 5000 ]; do
        if ! kill -0 "$app" 2>/dev/null; then exited="$(( $(milliseconds) - start )) ms"; break; fi
        sleep 0.001
    done
    kill -9 "$app" 2>/dev/null || true
    wait "$app" 2>/dev/null || true
    read -r _ longest _ <<<"$(tr ' ' '\n' <"$work/ping" | grep longest | tr '=' ' ')"
    printf '%-10s %-32s %-22s %s\n' "$(( stall / 1000 )) s" "$longest ms ($(cat "$work/ping"))" \
        "$superseded" "$exited"
done

median() { sort -n | awk '{v[NR]=$1} END {print (v[int((NR+1)/2)] + v[int((NR+2)/2)]) / 2}'; }
zarvo_times=() bare_times=() beside_times=() baseline_times=() slow_times=()
for _ in $(seq 10); do
    zarvo_times+=("$("$probe" startup "Zarvo  [$work/media/fast.avi]" "$zarvo" "$work/media/fast.avi")")
    bare_times+=("$("$probe" startup Bare "$work/bare-window")")
    # Given no channel, the reader loads the media library and ends.
    beside_times+=("$("$probe" startup Bare sh -c '"$1" </dev/null >/dev/null 2>&1 & exec "$2"' \
        sh "$reader" "$work/bare-window")")
    if [ -n "$baseline" ]; then
        baseline_times+=("$("$probe" startup "Zarvo  [$work/media/fast.avi]" "$baseline" \
            "$work/media/fast.avi")")
    fi
done
for _ in 1 2 3; do
    slow_times+=("$(LD_PRELOAD=$shim ZARVO_FAULT_FILE=$work/media/slow.mkv \
        ZARVO_FAULT=stall=0,3000 "$probe" startup 'Zarvo*' "$zarvo" "$work/media/slow.mkv" ||
        echo none)")
done
echo "start-up, launch to a mapped window with its report (median of 10):" \
    "zarvo $(printf '%s\n' "${zarvo_times[@]}" | median) ms," \
    "bare Qt window $(printf '%s\n' "${bare_times[@]}" | median) ms," \
    "bare Qt window with a reader loading beside it $(printf '%s\n' "${beside_times[@]}" | median) ms"
if [ -n "$baseline" ]; then
    echo "start-up of $baseline in the same rounds (median of 10):" \
        "$(printf '%s\n' "${baseline_times[@]}" | median) ms"
fi
echo "start-up with a file whose first read blocks 3 s, launch to a mapped window:" \
    "${slow_times[*]} ms"
