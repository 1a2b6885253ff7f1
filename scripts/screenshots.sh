#!/usr/bin/env bash
# Pictures of the console as a user sees it: the program runs under a virtual X
# server with a window manager, and the screen is saved at start-up (the tip of the
# day) in a light and a dark desktop theme, in each state of the console (cued,
# playing in two phases of the running light, paused, stopped, Prepare, on the air,
# emergency; light and dark palettes), under the frame's window arrangements, and
# with every other window of the program (light and dark palettes).
#
#   scripts/screenshots.sh [build folder] [output folder]
#
# Needs: Xvfb, openbox, ImageMagick's import, xdotool (Debian: xvfb openbox
# imagemagick xdotool). The program must be built (build/bin/vantelbrook2 and
# build/bin/test_console_look).
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
out="${2:-$build/screenshots}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"

for tool in Xvfb openbox import xdotool; do
    command -v "$tool" >/dev/null || { echo "missing $tool (apt-get install xvfb openbox imagemagick xdotool)" >&2; exit 1; }
done
for bin in vantelbrook2 test_console_look; do
    [ -x "$build/bin/$bin" ] || { echo "missing $build/bin/$bin: build first" >&2; exit 1; }
done

# A display nobody uses.
display=""
for n in $(seq 90 120); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || { echo "no free X display" >&2; exit 1; }

scratch="$(mktemp -d)"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT

Xvfb "$display" -screen 0 1280x900x24 -nolisten tcp >"$scratch/xvfb.log" 2>&1 &
pids+=($!)
export DISPLAY="$display"
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
openbox >"$scratch/wm.log" 2>&1 &
pids+=($!)
sleep 1

# A first start on an empty program folder, as a new user meets it: in the desktop's
# light theme, and in a dark one (GTK's Adwaita-dark through Qt's GTK3 platform theme,
# Debian: qt6-gtk-platformtheme gnome-themes-extra) when that is installed.
plugins="$(qtpaths6 --query QT_INSTALL_PLUGINS 2>/dev/null || true)"
themes=(light)
if [ -e "$plugins/platformthemes/libqgtk3.so" ] && [ -d /usr/share/themes/Adwaita-dark ]; then
    themes+=(dark)
fi
for theme in "${themes[@]}"; do
    rm -rf "$scratch/config" "$scratch/home"
    mkdir -p "$scratch/config" "$scratch/home"
    cp "$build/bin/Tips.tps" "$scratch/home/" 2>/dev/null || true
    (
        export XDG_CONFIG_HOME="$scratch/config" VANTELBROOK2_HOME="$scratch/home"
        export SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=xcb
        if [ "$theme" = dark ]; then export QT_QPA_PLATFORMTHEME=gtk3 GTK_THEME=Adwaita:dark; fi
        exec "$build/bin/vantelbrook2"
    ) >"$scratch/program.log" 2>&1 &
    program=$!
    pids+=("$program")
    for _ in $(seq 100); do xdotool search --name '^Tip of the Day$' >/dev/null 2>&1 && break; sleep 0.1; done
    sleep 2
    import -window root "$out/$theme-start-up.png"
    # The tip of the day answered with Enter: the frame and the console alone.
    xdotool search --name '^Tip of the Day$' windowactivate --sync key Return 2>/dev/null || true
    sleep 1
    import -window root "$out/$theme-start-up-console.png"
    kill "$program" 2>/dev/null || true
    wait "$program" 2>/dev/null || true
done

# The console's states, driven through the real windows by the look test, which saves
# the screen at each.
rm -rf "$scratch/config" "$scratch/home"
VB2_SHOTS="$out" "$build/bin/test_console_look" >"$scratch/look.log" 2>&1 || {
    cat "$scratch/look.log" >&2
    echo "the look test failed; pictures so far are in $out" >&2
    exit 1
}
ls -1 "$out"
