#!/usr/bin/env bash
# The viewer killed with unsaved changes loses nothing: on a virtual screen the real program opens a copy
# of the sample cube, flips its faces from the Model menu by keyboard and saves (the bytes a Save writes);
# then, from the original again, makes the same edit, waits for its recovery copy and is killed with
# SIGKILL; started again it offers the copy, "Recover" (the default button) brings the edit back with the
# star in the title, and Save writes the very same bytes and removes the copy.
# Usage: RecoverAfterKill.sh TESSALY_PROGRAM SOURCE_DIR
set -euo pipefail

if [ -z "${TESSALY_RECOVER_SCREEN:-}" ]; then
    # xvfb-run -a takes the first free display from its start number, and two runs started together can
    # both take it; starting each search at a number of its own keeps concurrent test runs apart.
    exec env TESSALY_RECOVER_SCREEN=1 xvfb-run -a -n $((100 + $$ % 800)) -s "-screen 0 1280x1000x24" "$0" "$@"
fi

program=$(realpath "$1")
source_dir=$(realpath "$2")
work=$(mktemp -d "${TMPDIR:-/tmp}/tessaly-recover-XXXXXX")
viewer=""
cleanup() {
    if [ -n "$viewer" ]; then kill -KILL "$viewer" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "RecoverAfterKill: $*" >&2
    if [ -n "${TESSALY_RECOVER_SHOTS:-}" ]; then import -window root "$TESSALY_RECOVER_SHOTS" || true; fi
    [ -f "$work/tessaly.log" ] && cat "$work/tessaly.log" >&2
    exit 1
}

# The viewer must show on the virtual screen, whatever platform the rest of the tests run on.
export HOME="$work/home" XDG_STATE_HOME="$work/state" TESSALY_GL=software QT_QPA_PLATFORM=xcb
export TESSALY_SETTINGS_FILE="$work/settings.reg"
mkdir -p "$HOME"
recovery="$XDG_STATE_HOME/tessaly/recovery"
# A copy every 1.2 seconds (0.02 minutes, the double's bytes little-endian) rather than every 2 minutes.
printf '[Software\\quillonsoft\\tessalyvuvoza2en\\Options]\ndRecoveryIntervalMinutes=binary:7b14ae47e17a943f\n' \
    >"$TESSALY_SETTINGS_FILE"

# Waits until a window's whole title is `title`; prints its id.
await_window() {
    local title=$1 window=""
    for _ in $(seq 1 120); do
        window=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -1 || true)
        [ -n "$window" ] && break
        sleep 0.25
    done
    [ -n "$window" ] || fail "no window titled '$title'"
    echo "$window"
}
start() {
    "$program" "$@" >>"$work/tessaly.log" 2>&1 &
    viewer=$!
}
stop() {
    kill -"$1" "$viewer" 2>/dev/null || true
    wait "$viewer" 2>/dev/null || true
    viewer=""
}
keys() {
    local window=$1
    shift
    xdotool windowfocus --sync "$window" 2>/dev/null || true
    sleep 0.3
    xdotool key --delay 200 "$@"
}
# Model > Flip Faces: the fourth item of the Model menu.
flip_faces() {
    local window
    window=$(await_window "cube - Tessaly")
    sleep 1.5 # the splash window closes after 750 ms
    keys "$window" alt+m Down Down Down Return
    await_window "cube\\* - Tessaly" >/dev/null
}

cp "$source_dir/samples/cube.tsm" "$work/cube.tsm"
start "$work/cube.tsm"
flip_faces
keys "$(await_window "cube\\* - Tessaly")" ctrl+s
await_window "cube - Tessaly" >/dev/null
cp "$work/cube.tsm" "$work/expected.tsm"
stop TERM
cmp -s "$work/expected.tsm" "$source_dir/samples/cube.tsm" && fail "the edit changed nothing"

cp "$source_dir/samples/cube.tsm" "$work/cube.tsm"
rm -rf "$recovery"
start "$work/cube.tsm"
flip_faces
for _ in $(seq 1 80); do
    compgen -G "$recovery/*.tsmr" >/dev/null && break
    sleep 0.25
done
compgen -G "$recovery/*.tsmr" >/dev/null || fail "no recovery copy was written"
stop KILL

start
# The splash window is titled like the offer and closes after 750 ms, or later where the viewer starts
# slowly (a sanitized build): Return goes to the window so titled until the recovered document shows.
window=""
for _ in $(seq 1 30); do
    sleep 1
    offer=$(xdotool search --onlyvisible --name "^Tessaly\$" 2>/dev/null | head -1 || true)
    [ -n "$offer" ] && keys "$offer" Return
    window=$(xdotool search --onlyvisible --name "^cube\\* - Tessaly\$" 2>/dev/null | head -1 || true)
    [ -n "$window" ] && break
done
[ -n "$window" ] || fail "no window titled 'cube\* - Tessaly' after the offer"
keys "$window" ctrl+s
await_window "cube - Tessaly" >/dev/null
stop TERM
cmp "$work/expected.tsm" "$work/cube.tsm" || fail "the recovered document saved other bytes"
if compgen -G "$recovery/*.tsmr" >/dev/null; then fail "the copy outlived the save"; fi
echo "RecoverAfterKill: recovered and saved the same bytes"
