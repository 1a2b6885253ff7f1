#!/usr/bin/env bash
# Runs a private sound server with a null sink named "vb2null" until it is
# terminated; never touches the user's own session.
#   sound-server.sh pulseaudio|pipewire DIR
# DIR (empty, made by the caller) holds its runtime folder, configuration and
# logs. Prints "READY unix:<socket> <session>" once the sink is the default one
# (every process of the server runs in that session), and the
# reason on stderr with exit status 2 when the server cannot start in time.
# Clients reach it with PULSE_SERVER=unix:<socket> (and PIPEWIRE_RUNTIME_DIR=DIR/run).
set -u
kind=$1
dir=$2
export HOME=$dir XDG_RUNTIME_DIR=$dir/run XDG_CONFIG_HOME=$dir/config
unset PULSE_SERVER PIPEWIRE_REMOTE PIPEWIRE_RUNTIME_DIR DBUS_SESSION_BUS_ADDRESS
mkdir -p "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME" && chmod 700 "$XDG_RUNTIME_DIR"
socket=$XDG_RUNTIME_DIR/pulse/native

# The server runs in a session of its own, so that stopping it ends every
# process it started (PipeWire's three and their bus).
pid=
stop_server() {
    [ -n "$pid" ] && kill -TERM -- "-$pid" 2>/dev/null
    for _ in $(seq 1 50); do
        kill -0 -- "-$pid" 2>/dev/null || return 0
        sleep 0.1
    done
    kill -KILL -- "-$pid" 2>/dev/null
}
trap 'stop_server; exit 0' TERM INT HUP

case "$kind" in
    pulseaudio)
        command -v pulseaudio >/dev/null || { echo "pulseaudio is not installed" >&2; exit 2; }
        setsid pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --disallow-exit \
            --log-target=file:"$dir/server.log" \
            -L "module-null-sink sink_name=vb2null rate=48000 channels=2" \
            -L "module-native-protocol-unix auth-anonymous=1" \
            -L "module-suspend-on-idle" &
        pid=$!
        ;;
    pipewire)
        for p in pipewire wireplumber pipewire-pulse dbus-run-session; do
            command -v $p >/dev/null || { echo "$p is not installed" >&2; exit 2; }
        done
        mkdir -p "$XDG_CONFIG_HOME/pipewire/pipewire.conf.d"
        cat >"$XDG_CONFIG_HOME/pipewire/pipewire.conf.d/vb2null.conf" <<'CONF'
context.objects = [
    { factory = adapter
      args = { factory.name = support.null-audio-sink node.name = vb2null
               node.description = "vb2 null sink" media.class = Audio/Sink
               audio.position = [ FL FR ] audio.rate = 48000 monitor.channel-volumes = true } }
]
CONF
        # The daemon logs at info level, which names each graph cycle it missed.
        setsid dbus-run-session -- bash -c 'PIPEWIRE_DEBUG=3 pipewire & sleep 0.3; wireplumber & pipewire-pulse & wait' \
            >"$dir/server.log" 2>&1 &
        pid=$!
        ;;
    *)
        echo "usage: $0 pulseaudio|pipewire DIR" >&2
        exit 2
        ;;
esac

for _ in $(seq 1 150); do
    if pactl -s "unix:$socket" list short sinks 2>/dev/null | grep -q vb2null; then
        pactl -s "unix:$socket" set-default-sink vb2null 2>/dev/null
        if pactl -s "unix:$socket" info 2>/dev/null | grep -q "Default Sink: vb2null"; then
            echo "READY unix:$socket $pid"
            # Until terminated, or until the program that started it is gone
            # (a test that crashed leaves no server behind).
            while [ "$(ps -o ppid= -p $$ | tr -d ' ')" = "$PPID" ] && kill -0 -- "-$pid" 2>/dev/null; do
                sleep 0.5
            done
            stop_server
            exit 0
        fi
    fi
    sleep 0.1
done
echo "$kind did not start within 15 s; its log:" >&2
tail -n 20 "$dir/server.log" >&2 2>/dev/null
stop_server
exit 2
