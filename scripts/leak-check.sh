#!/usr/bin/env bash
# Leak check of a connected run: the real window (offscreen) connects to the simulator and
# takes its traffic for a fixed time under valgrind's memcheck; fails on any memory error or
# on memory definitely lost.
#   scripts/leak-check.sh [SECONDS [simulator options]]     default: 60 --targets 2000
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
corvane_install_missing valgrind

seconds=${1:-60}
shift || true
[ $# -gt 0 ] || set -- --targets 2000

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target corvane-soak corvane-sim

# The simulator runs as a child process outside valgrind; only the window is checked.
QT_QPA_PLATFORM=offscreen valgrind --leak-check=full --show-leak-kinds=definite,indirect \
    --errors-for-leak-kinds=definite --error-exitcode=1 --num-callers=30 \
    build/tests/soak/corvane-soak "$seconds" "$@"
