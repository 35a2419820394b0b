#!/bin/bash
# Runs every fuzz target for a fixed time each: the sentence targets seeded from the NMEA
# corpus and the simulator, the profile target from its own seeds.
# Usage: fuzz/run-fuzz.sh BUILD_DIR SECONDS [WORK_DIR]
# WORK_DIR keeps the grown corpora between runs (default: a temporary directory).
set -euo pipefail
build=$1 seconds=$2
here=$(cd "$(dirname "$0")" && pwd)
corpus="$here/../../shared/corpus"
work=${3:-$(mktemp -d)}
mkdir -p "$work/codec" "$work/window" "$work/profile" "$work/share" "$work/artifacts"
# The simulator's replies and traffic join the captured corpus as seeds.
"$here/sim-seeds.sh" "$build/tools/sim/corvane-sim" "$work/sim-seeds"
export LSAN_OPTIONS="suppressions=$here/lsan.supp"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# The targets run side by side, one a core: each still gets its full time on a core of its own.
run_target() { # run_target TARGET: its summary lines in $work/TARGET.log
    local target=$1 seeds=("$corpus/ais" "$corpus/streams" "$corpus/gps" "$work/sim-seeds")
    [ "$target" = profile ] && seeds=("$here/profile-seeds")
    "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
        -artifact_prefix="$work/artifacts/$target-" "$work/$target" "${seeds[@]}" 2>&1 |
        grep -E '^(INFO: Seed|#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units|stat::peak_rss_mb)|ERROR|SUMMARY' \
            >"$work/$target.log" || true
}
jobs=$(nproc)
running=0
for target in codec window profile share; do
    if [ "$running" -ge "$jobs" ]; then
        wait -n || true
        running=$((running - 1))
    fi
    run_target "$target" &
    running=$((running + 1))
done
wait
for target in codec window profile share; do
    echo "fuzz_$target: $seconds s"
    cat "$work/$target.log"
    if compgen -G "$work/artifacts/$target-*" >/dev/null; then
        echo "fuzz_$target found a failure: $work/artifacts/" >&2
        exit 1
    fi
done
