#!/bin/bash
# Writes seed inputs from the simulator's own traffic: its replies to every query the window
# sends and a few seconds of its GPS, AIS, alarm and status sentences, in pieces of at most
# 4 KiB cut at line ends.   Usage: fuzz/sim-seeds.sh SIMULATOR OUT_DIR
set -euo pipefail
sim=$1 out=$2
mkdir -p "$out"
ports=$(mktemp -d)
raw=$(mktemp)
coproc SIM { exec "$sim" --port-dir "$ports" --speed 20 --targets 30 2>/dev/null; }
trap 'kill "$SIM_PID" 2>/dev/null || true; rm -rf "$ports" "$raw"' EXIT
read -r _ device <&"${SIM[0]}"
exec 3<>"$device"
stty -F "$device" raw -echo
timeout 4 cat <&3 >"$raw" &
reader=$!
for q in '$DUAIQ,010*55' '$DUAIQ,SSD*20' '$DUAIQ,VSD*25' '$DUAIQ,SRM*28' '$DUAIQ,SER*20' \
         '$DUAIQ,NMEA,03*4C' '$DUAIQ,ALM*24' '$DUAIQ,VER*25'; do
    printf '%s\r\n' "$q" >&3
    sleep 0.2
done
wait "$reader" || true
exec 3>&-
split -C 4096 -d -a 3 "$raw" "$out/sim-"
