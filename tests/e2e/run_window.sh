#!/usr/bin/env bash
# The program as a user meets it: starts the real executable on a virtual
# X display with a window manager, presses F5, looks at the results chart in
# a screenshot, opens and closes the about box and closes the window.
#
#   run_window.sh <kestrune executable> <work directory> [<reference folder>]
#
# Screenshots and logs stay in the work directory; their paths are printed.
# The first two, the "Member Functions" tab at start and "Simulation results"
# after the run, are the README's docs/screenshot-membership.png and
# docs/screenshot-results.png; given the folder that holds those, the run
# fails unless it shows them again pixel for pixel.
# Needs xvfb-run, openbox, xdotool, xprop and ImageMagick (scripts/install-deps.sh).
set -euo pipefail

if [ $# -lt 2 ] || [ $# -gt 3 ]; then
    echo "usage: $0 <kestrune executable> <work directory> [<reference folder>]" >&2
    exit 2
fi
app=$(readlink -f "$1")
work=$2
reference=${3:+$(readlink -f "$3")}

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# First pass: check the tools and start again inside a fresh X server.
if [ -z "${KESTRUNE_E2E_ON_XVFB:-}" ]; then
    for tool in xvfb-run xauth openbox xdotool xprop xwininfo import convert; do
        command -v "$tool" >/dev/null || fail "'$tool' is missing; run scripts/install-deps.sh"
    done
    [ -x "$app" ] || fail "no executable at $1"
    rm -rf "$work"
    mkdir -p "$work"
    work=$(readlink -f "$work")
    # -a picks a free display number; the screen is a common desktop size.
    exec xvfb-run -a -e "$work/xvfb.log" -s "-screen 0 1920x1080x24" \
        env KESTRUNE_E2E_ON_XVFB=1 bash "$0" "$app" "$work" ${reference:+"$reference"}
fi

cd "$work"
# Keep the desktop's and the user's settings out of the run.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_CACHE_HOME="$work/home/.cache"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_AUTO_SCREEN_SCALE_FACTOR QT_STYLE_OVERRIDE

wm_pid=
app_pid=
cleanup() {
    if [ -n "$app_pid" ] && kill -0 "$app_pid" 2>/dev/null; then
        kill "$app_pid" 2>/dev/null || true
        wait "$app_pid" 2>/dev/null || true
    fi
    if [ -n "$wm_pid" ] && kill -0 "$wm_pid" 2>/dev/null; then
        kill "$wm_pid" 2>/dev/null || true
        wait "$wm_pid" 2>/dev/null || true
    fi
}
trap cleanup EXIT

# poll <tries> <command...>: runs the command every 0.1 s until it succeeds.
poll() {
    local tries=$1
    shift
    local i
    for ((i = 0; i < tries; i++)); do
        if "$@"; then
            return 0
        fi
        sleep 0.1
    done
    return 1
}

wm_running() {
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
}

# find_window <exact title>: prints the id of the visible window with that title.
find_window() {
    xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1
}

window_shown() {
    [ -n "$(find_window "$1")" ]
}

window_gone() {
    [ -z "$(find_window "$1")" ]
}

app_exited() {
    ! kill -0 "$app_pid" 2>/dev/null
}

# A window manager, so that the window is maximised and closed as on a desktop.
openbox --sm-disable >"$work/openbox.log" 2>&1 &
wm_pid=$!
poll 100 wm_running || fail "the window manager did not start within 10 s (see $work/openbox.log)"

# In a sanitizer build, unwind fully on every allocation: the X display's
# GL driver is unloaded before the leak check, and only a full stack shows
# the system library that a suppression names.
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}fast_unwind_on_malloc=0" \
    QT_QPA_PLATFORM=xcb "$app" >"$work/kestrune.log" 2>&1 &
app_pid=$!

main_title="Fuzzy logic control simulation"
poll 150 window_shown "$main_title" ||
    fail "no window \"$main_title\" within 15 s (see $work/kestrune.log)"
win=$(find_window "$main_title")
timeout 10 xdotool windowactivate --sync "$win" >/dev/null ||
    fail "the main window could not be activated"

# Where the window's content lies on the screen once the window manager has
# maximised it; the maximised window fills the screen but for the title bar.
# (xwininfo, as xdotool counts the frame's offset twice.)
window_geometry() {
    local info
    info=$(xwininfo -id "$win") || return 1
    X=$(sed -n 's/^ *Absolute upper-left X: *//p' <<<"$info")
    Y=$(sed -n 's/^ *Absolute upper-left Y: *//p' <<<"$info")
    WIDTH=$(sed -n 's/^ *Width: *//p' <<<"$info")
    HEIGHT=$(sed -n 's/^ *Height: *//p' <<<"$info")
    [ "${WIDTH:-0}" -ge 1800 ] && [ "${HEIGHT:-0}" -ge 900 ]
}
poll 100 window_geometry || {
    xwininfo -id "$win" >&2 || true
    fail "the main window was not maximised within 10 s"
}
win_x=$X win_y=$Y win_w=$WIDTH win_h=$HEIGHT
echo "main window $win at ${win_w}x${win_h}+${win_x}+${win_y}"

# The configuration dock is 400 pixels wide on the left; the tabs and their
# charts take the rest. The colours are counted in that part of the screen.
dock_width=400
area="$((win_w - dock_width))x$((win_h))+$((win_x + dock_width))+$((win_y))"

# matches_reference <png> <name>: true without a reference folder, or when
# the screenshot is the reference's <name> pixel for pixel; otherwise $found
# says how many pixels differ. A screenshot taken while something still
# moves (a scroll bar fading out) is taken again by the caller.
matches_reference() {
    [ -n "$reference" ] || return 0
    local differing
    differing=$(compare -metric AE "$1" "$reference/$2" null: 2>&1 || true)
    [ "$differing" = 0 ] && return 0
    found="$found; $differing pixels differ from $reference/$2"
    return 1
}

shot_index=0
# screenshot <name>: the whole screen into <work>/<nn>-<name>.png, whose
# path is left in $shot.
screenshot() {
    shot_index=$((shot_index + 1))
    shot=$(printf '%s/%02d-%s.png' "$work" "$shot_index" "$1")
    import -window root "$shot" || fail "import could not take a screenshot"
}

# background <png>: the commonest colour of the chart area as R,G,B, which
# is the background of the charts' canvases.
background() {
    convert "$1" -crop "$area" +repage -alpha off -depth 8 -format %c histogram:info:- |
        sort -t: -k1,1nr |
        sed -n '1s/^ *[0-9]*: *( *\([0-9]*\), *\([0-9]*\), *\([0-9]*\).*/\1,\2,\3/p'
}

# blend <R,G,B colour> <R,G,B background>: the colour drawn at alpha 150
# over the background.
blend() {
    local IFS=,
    local -a c=($1) b=($2)
    local out=() i
    for i in 0 1 2; do
        out+=($(((c[i] * 150 + b[i] * 105 + 127) / 255)))
    done
    echo "${out[*]}"
}

# pixels_of <png> <R,G,B>: how many pixels of the chart area have that
# colour, within 6 in each channel, and how wide the box around them is:
# "<count> <width>".
pixels_of() {
    local stats
    stats=$(convert "$1" -crop "$area" +repage -alpha off \
        \( +clone -fill "rgb($2)" -colorize 100 \) \
        -compose difference -composite -separate -threshold 2.6% \
        -evaluate-sequence max -negate \
        -format '%[fx:round(mean*w*h)] %@' info: 2>>"$work/convert.log") || return 1
    local count=${stats%% *} box=${stats#* }
    if [ "$count" -eq 0 ]; then
        echo "0 0"
    else
        echo "$count ${box%%x*}"
    fi
}

# curves_drawn <png> <min columns> <name:R,G,B>...: true when each colour,
# blended at alpha 150 over the canvas, covers at least min_pixels pixels
# spread over at least <min columns> columns: a line along a chart, not a
# legend icon. Reports what it found in $found.
min_pixels=600
curves_drawn() {
    local png=$1 min_width=$2 bg ok=0 pair name rgb stats
    shift 2
    bg=$(background "$png") || return 1
    found="background $bg;"
    for pair in "$@"; do
        name=${pair%%:*}
        rgb=$(blend "${pair#*:}" "$bg")
        stats=$(pixels_of "$png" "$rgb") || return 1
        found+=" $name ($rgb): ${stats% *} px over ${stats#* } columns;"
        if [ "${stats% *}" -lt "$min_pixels" ] || [ "${stats#* }" -lt "$min_width" ]; then
            ok=1
        fi
    done
    return $ok
}

# absent <png> <name:R,G,B>: true when that blended colour is (almost) nowhere.
absent() {
    local bg rgb stats
    bg=$(background "$1") || return 1
    rgb=$(blend "${2#*:}" "$bg")
    stats=$(pixels_of "$1" "$rgb") || return 1
    found+=" ${2%%:*} ($rgb): ${stats% *} px;"
    [ "${stats% *}" -lt 50 ]
}

park_pointer() {
    # Bottom left, on the status bar, where no hover highlight shows.
    xdotool mousemove "$((win_x + 5))" "$((win_y + win_h - 4))"
}

# 1. At start the "Member Functions" tab shows the membership functions in
#    red, green and blue.
park_pointer
for try in 1 2 3 4 5 6 7 8 9 10; do
    screenshot member-functions
    shot_members=$shot
    if curves_drawn "$shot_members" 0 red:255,0,0 green:0,255,0 blue:0,0,255 &&
        matches_reference "$shot_members" screenshot-membership.png; then
        break
    fi
    [ "$try" -lt 10 ] || fail "the membership charts show no curves or not the reference: $found (screenshot $shot_members)"
    sleep 0.3
done
echo "member functions: $found"

# 2. F5 runs the step modelling.
xdotool key F5

# 3. Switch to "Simulation results". The tab bar lies just right of the dock,
#    below the menu bar; its height depends on the fonts. Rolling the wheel
#    over a tab bar steps through its tabs and stops at the last one, so at
#    each height of a strip along the first tab: three steps on and one
#    back. Wherever the strip meets the tab bar this ends on the second tab,
#    "Simulation results"; elsewhere the wheel does nothing.
show_results_tab() {
    local args=() y
    for ((y = win_y + 2; y < win_y + 120; y += 3)); do
        args+=(mousemove "$((win_x + dock_width + 40))" "$y"
               mousedown 5 mouseup 5 mousedown 5 mouseup 5 mousedown 5 mouseup 5
               mousedown 4 mouseup 4)
    done
    xdotool "${args[@]}"
    park_pointer
}

results_ok=
for try in 1 2 3 4 5 6 7 8 9 10; do
    show_results_tab
    sleep 0.2
    screenshot simulation-results
    shot_results=$shot
    # The responses run from 0.4 s to the end of the 20 s axis.
    if curves_drawn "$shot_results" "$(((win_w - dock_width) * 2 / 3))" "Closed loop:0,0,255" "PID loop:0,128,0" "Fuzzy Control:255,0,0" &&
        absent "$shot_results" "membership green:0,255,0" &&
        matches_reference "$shot_results" screenshot-results.png; then
        results_ok=1
        break
    fi
    sleep 0.3
done
[ -n "$results_ok" ] ||
    fail "no three response curves, or not the reference, on \"Simulation results\" after F5: $found (screenshot $shot_results)"
echo "simulation results: $found"

# 4. Both screens were the reference screenshots, pixel for pixel.
[ -z "$reference" ] || echo "reference screenshots: identical"

# 4. Shift+F1 opens the about box, Esc closes it.
about_title="About Kestrune"
xdotool key shift+F1
poll 100 window_shown "$about_title" || {
    screenshot no-about
    fail "Shift+F1 showed no \"$about_title\" window within 10 s (screenshot $shot)"
}
about=$(find_window "$about_title")
timeout 10 xdotool windowactivate --sync "$about" >/dev/null ||
    fail "the about box could not be activated"
screenshot about
shot_about=$shot
xdotool key Escape
poll 100 window_gone "$about_title" || {
    screenshot about-after-esc
    fail "Esc left the about box open (screenshot $shot)"
}
kill -0 "$app_pid" 2>/dev/null || fail "the program ended with the about box"

# 5. Closing the window through the window manager (Alt+F4) ends the
#    program with exit status 0.
timeout 10 xdotool windowactivate --sync "$win" >/dev/null ||
    fail "the main window could not be activated again"
xdotool key --clearmodifiers alt+F4
poll 100 app_exited || fail "the program was still running 10 s after its window was closed"
status=0
wait "$app_pid" || status=$?
app_pid=
[ "$status" -eq 0 ] || fail "the program ended with exit status $status (see $work/kestrune.log)"

echo "screenshots:"
echo "  $shot_members"
echo "  $shot_results"
echo "  $shot_about"
echo "PASS"
