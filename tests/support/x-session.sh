#!/usr/bin/env bash
# Runs a command on a private X server (Xvfb) with a window manager (openbox), as a
# desktop user's windows are shown; never touches the user's own display.
#   x-session.sh COMMAND [ARG...]
# The command runs with DISPLAY set and QT_QPA_PLATFORM=xcb; its exit status is returned.
# Without Xvfb or openbox: exit status 77 (skipped), but a failure under CI (CI=true).
set -u
for tool in Xvfb openbox xprop; do
    if ! command -v "$tool" >/dev/null; then
        echo "x-session: $tool is not installed (Debian: xvfb openbox x11-utils)" >&2
        [ "${CI:-}" = "true" ] && exit 1
        exit 77
    fi
done

dir=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 1' TERM INT HUP

# Xvfb picks a free display itself and writes its number once it accepts clients.
Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp 3>"$dir/display" >"$dir/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    [ -s "$dir/display" ] && break
    sleep 0.1
done
[ -s "$dir/display" ] || { echo "x-session: Xvfb did not start" >&2; cat "$dir/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$dir/display")"
# On a busy machine a client may still be refused just after that: wait until one is served.
for _ in $(seq 100); do
    xprop -root >/dev/null 2>&1 && break
    sleep 0.1
done

# The window manager with its shipped configuration only, ready once it names itself.
HOME="$dir" XDG_CONFIG_HOME="$dir/config" openbox >"$dir/wm.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
    sleep 0.1
done
xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" ||
    { echo "x-session: openbox did not start" >&2; cat "$dir/wm.log" >&2; exit 1; }

QT_QPA_PLATFORM=xcb "$@"
