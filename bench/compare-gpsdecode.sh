#!/bin/bash
# corvane-decode against Debian's gpsdecode on the same input, both writing JSON.
# Usage: compare-gpsdecode.sh PATH/TO/corvane-decode CORPUS_DIR [REPEATS]
set -euo pipefail
export LC_ALL=C
decode=$1 corpus=$2 repeats=${3:-200}
if ! command -v gpsdecode >/dev/null; then
    echo "gpsdecode not installed (Debian package gpsd-clients): comparison skipped"
    exit 0
fi
input=$(mktemp)
trap 'rm -f "$input"' EXIT
for ((i = 0; i < repeats; i++)); do cat "$corpus"/ais/*.nmea; done > "$input"
lines=$(wc -l < "$input")

calc() { awk "BEGIN { printf \"%.6f\", $1 }"; }

best() { # best wall time of three runs, in seconds
    local b=999999 s t
    for _ in 1 2 3; do
        s=$(date +%s.%N)
        "$@" < "$input" > /dev/null 2>&1
        t=$(calc "$(date +%s.%N) - $s")
        b=$(calc "($t < $b) ? $t : $b")
    done
    echo "$b"
}

t_ours=$(best "$decode")
t_gpsd=$(best gpsdecode -s -u)
printf 'input: %d sentences (%.1f MB)\n' "$lines" "$(calc "$(stat -c %s "$input") / 1048576")"
printf 'corvane-decode   %.3f s  %9.0f sentences/s\n' "$t_ours" "$(calc "$lines / $t_ours")"
printf 'gpsdecode -s -u  %.3f s  %9.0f sentences/s\n' "$t_gpsd" "$(calc "$lines / $t_gpsd")"
printf 'ratio (gpsdecode time / corvane-decode time): %.2f\n' "$(calc "$t_gpsd / $t_ours")"
