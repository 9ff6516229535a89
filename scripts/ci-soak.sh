#!/usr/bin/env bash
# Soak stage: SOAK_COMMANDS (1000) commands answered Yes, played into a private
# PulseAudio null sink, the port on a pseudo-terminal whose RTS the test shim
# logs. Prints the figures (memory, descriptors, RTS edges, integrity) and
# fails when the line is left up or anything grew.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build}
count=${SOAK_COMMANDS:-1000}
start=$SECONDS
cmake --build "$build" --target soak_driver pontavel_rtsshim >/dev/null
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -m 700 "$work/xdg"
mkdir -p "$work/config/Pontavel" "$work/run"
pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit --use-pid-file=no \
  --log-target=file:"$work/pa.log" \
  -L "module-null-sink sink_name=nullsink rate=44100 channels=2" \
  -L "module-native-protocol-unix socket=$work/native auth-anonymous=1" &
pids+=($!)
export XDG_RUNTIME_DIR=$work/xdg PULSE_SERVER=unix:$work/native
for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl set-default-sink nullsink
# Silence keeps the sink running, as a station's sound card runs: an idle null
# sink holds each new stream back for up to two seconds before playing it.
pacat --playback --device=nullsink --raw --latency-msec=20 /dev/zero &
pids+=($!)
sleep 2.1
socat pty,raw,echo=0,link="$work/ttyA" pty,raw,echo=0,link="$work/ttyB" &
pids+=($!)
for _ in $(seq 100); do [ -e "$work/ttyA" ] && break; sleep 0.1; done
cat >"$work/config/Pontavel/Pontavel.conf" <<EOC
[Emission]
LeadInMs=0
TailMs=0

[Ports]
Com1=$work/ttyA
EOC
cd "$work/run"
XDG_CONFIG_HOME=$work/config PONTAVEL_RTS_LOG=$work/rts.log \
  LD_PRELOAD="$root/$build/tests/libpontavel_rtsshim.so" "$root/$build/soak_driver" "$count"
echo "soak: stage $((SECONDS - start)) s"
