#!/usr/bin/env bash
# Starts the real pictaro on a virtual X display with a few pictures on its command line,
# waits for its window and checks that a screenshot of the screen is not blank.
# Usage: smoke_xvfb.sh PICTARO_BINARY [SCREENSHOT]
set -euo pipefail
binary=$1
keep=${2:-}
work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup()
{
    [[ -n "$app_pid" ]] && kill "$app_pid" 2>/dev/null || true
    [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/in" "$work/home"
for colour in orange steelblue seagreen; do
    convert -size 640x480 "gradient:$colour-white" "$work/in/$colour.jpg"
done

# Xvfb chooses a free display itself and writes its number once it accepts clients: a
# number guessed from /tmp can be taken by a server in another container sharing the
# abstract socket namespace, and polling for a fixed time loses on a loaded machine.
mkfifo "$work/displayfd"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/displayfd" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
number=""
read -r -t 60 number <"$work/displayfd" || true
if [[ -z "$number" ]]; then
    echo "smoke: Xvfb did not start" >&2
    cat "$work/xvfb.log" >&2
    exit 1
fi
display=":$number"

env -u QT_QPA_PLATFORM DISPLAY="$display" HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
    "$binary" "$work/in" >"$work/pictaro.log" 2>&1 &
app_pid=$!

found=""
for _ in $(seq 300); do
    if DISPLAY=$display xwininfo -root -tree 2>/dev/null | grep -q '"Pictaro"'; then
        found=yes
        break
    fi
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
done
if [[ -z "$found" ]]; then
    echo "smoke: the Pictaro window did not appear" >&2
    cat "$work/pictaro.log" >&2
    exit 1
fi
sleep 2 # thumbnails and the first picture arrive in the background
DISPLAY=$display import -window root "$work/shot.png"
spread=$(convert "$work/shot.png" -format '%[fx:standard_deviation]' info:)
[[ -n "$keep" ]] && cp "$work/shot.png" "$keep"
if ! awk -v s="$spread" 'BEGIN { exit !(s > 0.05) }'; then
    echo "smoke: the screenshot is blank (spread $spread)" >&2
    exit 1
fi
echo "smoke: window shown, screenshot spread $spread"
