#!/usr/bin/env bash
# Cross-builds the arm64 Debian package (a Raspberry Pi with a 64-bit Debian) on this amd64
# machine with Debian's own cross compiler and multiarch libraries, and proves the arm64
# programs under qemu's user-mode emulation, started directly (no binfmt registration needed):
#   - the core, serial and engine test suites pass as arm64 programs, run by ctest;
#   - the arm64 corvane-decode prints byte for byte what the amd64 one prints, on every file of
#     the corpus;
#   - the arm64 window starts under the offscreen platform, is alive after a few seconds and
#     ends on SIGTERM with status 0.
#
# Usage: scripts/check-arm64.sh [BUILD_DIR [HOST_BUILD_DIR]]
#   BUILD_DIR       arm64 build directory (default build-arm64 in the repository); the package
#                   is left there as corvane_VERSION_arm64.deb
#   HOST_BUILD_DIR  the amd64 build whose corvane-decode is the reference (default build, as
#                   ./test makes it; configured and built here when missing)
# Needs root (or sudo): apt-get for the cross compiler, qemu and the arm64 libraries, and a
# private mount namespace for the tests (see run_tests). Not part of ./test or CI: it takes
# about 7 minutes from an empty build directory, 2.5 with the build up to date.
set -euo pipefail

SRC=$(realpath "$(dirname "$0")/..")
BUILD=$(realpath -m "${1:-$SRC/build-arm64}") # arguments are taken from the caller's directory
HOST_BUILD=$(realpath -m "${2:-$SRC/build}")
cd "$SRC"
CORPUS=$(realpath -m "$SRC/../shared/corpus")
QEMU=qemu-aarch64-static

SUDO=()
[ "$(id -u)" -ne 0 ] && SUDO=(sudo)

START=$SECONDS
FAILED=0
RESULTS=()
TIMES=()
pass() { RESULTS+=("PASS  $1"); echo "PASS  $1"; }
fail() { RESULTS+=("FAIL  $1"); echo "FAIL  $1" >&2; FAILED=1; }
die() { echo "check-arm64: $*" >&2; exit 1; }
STEP=""
STEP_START=$SECONDS
step() { # ends the step before (its time goes to the summary) and starts the next
    [ -n "$STEP" ] && TIMES+=("$(printf '%5d s  %s' $((SECONDS - STEP_START)) "$STEP")")
    STEP=$1
    STEP_START=$SECONDS
    [ -n "$STEP" ] && { echo; echo "== $STEP ($((SECONDS - START)) s)"; }
    return 0
}

SCRATCH=$(mktemp -d /tmp/corvane-arm64.XXXXXX)
PIDS=()
cleanup() {
    set +e
    local p
    for p in "${PIDS[@]}"; do kill -KILL "$p" 2>/dev/null; done
    for p in "${PIDS[@]}"; do wait "$p" 2>/dev/null; done
    rm -rf "$SCRATCH"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

# --- 1. packages ------------------------------------------------------------------------------
step "Packages: the cross compiler, qemu and the arm64 libraries"
# shellcheck source-path=SCRIPTDIR source=deps.sh
source "$SRC/scripts/deps.sh"
# The amd64 packages first (the reference decoder's build and the tests' peers: ser2net, pdftotext).
corvane_install_missing g++-aarch64-linux-gnu qemu-user-static dpkg-dev jq

# The arm64 side of what the build links. Multiarch installs it beside the amd64 packages; a
# library installed for both must be of one version, so apt may update amd64 ones to match.
ARM64_PACKAGES=(qt6-base-dev libjpeg62-turbo-dev libgtest-dev libgl-dev)
install_arm64() {
    local missing=() p
    if ! grep -qx arm64 <<<"$(dpkg --print-foreign-architectures)"; then
        echo "Adding the arm64 architecture to dpkg"
        "${SUDO[@]}" dpkg --add-architecture arm64
    fi
    for p in "${ARM64_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p:arm64" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p:arm64")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    "${SUDO[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${SUDO[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}
install_arm64

# --- 2. the cross build -----------------------------------------------------------------------
# The suites that run as arm64 programs: the core, the serial component, the engine.
SUITES=(test_nmea ais_codec_test geodesy_test test_targetlist test_views test_safety test_plot
    serial_comm_tests serial_unit_tests test_capture
    test_config test_sequencer sim_device_test sim_encode_test)
PROGRAMS=(corvane corvane-sim corvane-decode corvane-config corvane-report)

step "Cross build in $BUILD"
if [ -f "$BUILD/CMakeCache.txt" ] && ! grep -q '^CMAKE_TOOLCHAIN_FILE:.*/aarch64-linux-gnu.cmake$' "$BUILD/CMakeCache.txt"; then
    die "$BUILD was configured without cross/aarch64-linux-gnu.cmake; remove it or name another"
fi
# cpack builds what it installs; without the last option it would build every test too.
cmake -S "$SRC" -B "$BUILD" -G Ninja --toolchain "$SRC/cross/aarch64-linux-gnu.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCORVANE_BENCH=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
# The test programs are listed under qemu as they are linked (gtest_discover_tests).
cmake --build "$BUILD" -j2 --target "${PROGRAMS[@]}" man "${SUITES[@]}"
machines=""
for p in app/corvane tools/sim/corvane-sim tools/decode/corvane-decode tools/config/corvane-config \
    tools/report/corvane-report; do
    machines+="$(readelf -h "$BUILD/$p" | sed -n 's/^ *Machine: *//p') "
done
if [ "$(echo "$machines" | tr ' ' '\n' | grep -c '^AArch64$')" -eq ${#PROGRAMS[@]} ]; then
    pass "the five programs built as AArch64 executables"
else
    fail "programs built for: $machines"
fi

# --- 3. the package ---------------------------------------------------------------------------
step "Package"
rm -f "$BUILD"/corvane_*.deb
(cd "$BUILD" && cpack -G DEB >"$SCRATCH/cpack.log" 2>&1) || { cat "$SCRATCH/cpack.log" >&2; die "cpack failed"; }
if grep -qi 'warning' "$SCRATCH/cpack.log"; then grep -i warning "$SCRATCH/cpack.log" >&2; fi
DEB=$(ls "$BUILD"/corvane_*.deb)
echo "package: $DEB ($(stat -c %s "$DEB") bytes)"
arch=$(dpkg-deb -f "$DEB" Architecture)
depends=$(dpkg-deb -f "$DEB" Depends)
echo "Depends: $depends"
if [ "$arch" = arm64 ] && [[ "$DEB" == *_arm64.deb ]]; then pass "package $(basename "$DEB"), Architecture: arm64"; else fail "package $DEB has Architecture: $arch"; fi

mkdir "$SCRATCH/deb"
dpkg-deb -x "$DEB" "$SCRATCH/deb"
notarm=""
inside=""
for f in "$SCRATCH"/deb/usr/bin/*; do
    inside+=" $(basename "$f")"
    [ "$(readelf -h "$f" | sed -n 's/^ *Machine: *//p')" = AArch64 ] || notarm+=" $(basename "$f")"
done
if [ -z "$notarm" ]; then pass "every program in the package is AArch64:$inside"; else fail "not AArch64 in the package:$notarm"; fi

# The libraries the programs need, each found among the dependencies (what dpkg-shlibdeps read
# off the arm64 libraries), and apt resolving those dependencies with arm64 packages.
needed=$(for f in "$SCRATCH"/deb/usr/bin/*; do readelf -d "$f"; done | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p' | sort -u)
owner_of() { # owner_of LIB: the arm64 package that has the library, as dpkg knows it
    local d found
    for d in /usr/lib/aarch64-linux-gnu /lib/aarch64-linux-gnu; do
        found=$(dpkg -S "$d/$1" 2>/dev/null || true)
        found=$(sed -n 's/^\([^:]*\):arm64: .*/\1/p' <<<"$found")
        [ -n "$found" ] && { echo "${found%%$'\n'*}"; return 0; }
    done
    return 0
}
unlisted=""
for lib in $needed; do
    owner=$(owner_of "$lib")
    if [ -z "$owner" ] || [[ ", $depends," != *", $owner "* && ", $depends," != *", $owner,"* ]]; then
        unlisted+=" $lib(${owner:-no arm64 package})"
    fi
done
if [ -z "$unlisted" ]; then
    pass "Depends names the arm64 package of each of the $(echo "$needed" | wc -w) libraries the programs need"
else
    fail "libraries without their package in Depends:$unlisted"
fi
if "${SUDO[@]}" apt-get install -s -q --no-install-recommends "$DEB" >"$SCRATCH/apt-sim.log" 2>&1 &&
    grep -q '^Inst corvane:arm64 ' "$SCRATCH/apt-sim.log"; then
    pass "apt resolves the package's dependencies with arm64 packages (simulated install)"
else
    tail -20 "$SCRATCH/apt-sim.log" >&2
    fail "apt cannot resolve the package's dependencies for arm64"
fi

# --- 4. the test suites under emulation -------------------------------------------------------
step "Test suites as arm64 programs under $QEMU"
# ctest runs each test through the toolchain's CMAKE_CROSSCOMPILING_EMULATOR. The tests start
# corvane-sim, corvane-config and corvane-report by their path in the build directory, and this
# kernel cannot start an arm64 program: in a private mount namespace each of those paths shows
# a script that runs the program under qemu. A copy of such a script elsewhere (a test copies
# corvane-config into a directory of its own) runs a copy of the program beside itself, as
# corvane-config finds corvane-report beside where it runs from.
mkdir -p "$SCRATCH/arm64" "$SCRATCH/wrap" "$SCRATCH/unimp"
QEMU_PATH=$(command -v "$QEMU")
STARTED=(tools/sim/corvane-sim tools/config/corvane-config tools/report/corvane-report app/corvane)
for rel in "${STARTED[@]}"; do
    name=$(basename "$rel")
    mkdir -p "$SCRATCH/arm64/$(dirname "$rel")" "$SCRATCH/wrap/$(dirname "$rel")"
    cp "$BUILD/$rel" "$SCRATCH/arm64/$rel"
    # Absolute paths only: a test runs corvane-config with an empty PATH. What qemu does not
    # implement goes to a log (see below), by the script, as a test may start it with an
    # environment of its own.
    cat >"$SCRATCH/wrap/$rel" <<EOF
#!/bin/sh
# $name for arm64, under qemu: this kernel cannot start it itself.
program=$SCRATCH/arm64/$rel
if [ "\$(/usr/bin/realpath "\$0")" != "$BUILD/$rel" ]; then
    beside=\$(/usr/bin/dirname "\$0")/.$name.arm64
    [ -e "\$beside" ] || { /usr/bin/cp "\$program" "\$beside.\$\$" && /usr/bin/mv -f "\$beside.\$\$" "\$beside"; }
    program=\$beside
fi
exec $QEMU_PATH -L / -d unimp -D "$SCRATCH/unimp/%d.log" -0 "\$0" "\$program" "\$@"
EOF
    chmod 0755 "$SCRATCH/wrap/$rel"
done

ctest --test-dir "$BUILD" --show-only=json-v1 >"$SCRATCH/tests.json"
suites_json=$(printf '%s\n' "${SUITES[@]}" | jq -R . | jq -s .)
# The suite a test runs: the program named just before --gtest_filter (gtest_discover_tests);
# other tests may name the programs too (the layering check), but do not run them.
# shellcheck disable=SC2016 # a jq filter
suite_of='.command as $c | [range(0; ($c | length) - 1) | select($c[. + 1] | startswith("--gtest_filter="))
    | $c[.] | split("/") | last | select(. as $n | $s | index([$n]))] | first // empty'
# Test numbers (ctest counts from 1) of the tests of the suites, and how many each suite has.
jq -r --argjson s "$suites_json" ".tests | to_entries[] | select(.value | $suite_of) | .key + 1" \
    "$SCRATCH/tests.json" | paste -sd, >"$SCRATCH/numbers"
counts=$(jq -r --argjson s "$suites_json" "[.tests[] | $suite_of] | group_by(.)
    | map(\"\\(.[0]) \\(length)\") | .[]" "$SCRATCH/tests.json")
selected=$(tr ',' '\n' <"$SCRATCH/numbers" | grep -c .)
missing_suites=""
for s in "${SUITES[@]}"; do grep -q "^$s " <<<"$counts" || missing_suites+=" $s"; done
[ -z "$missing_suites" ] || fail "no tests listed for:$missing_suites"

run_tests() { # in a mount namespace of its own: the started programs' paths show the scripts
    # shellcheck disable=SC2016 # expanded by the shell in the namespace
    "${SUDO[@]}" unshare --mount --propagation private -- bash -euo pipefail -c '
        build=$1 wrap=$2
        shift 2
        for rel in "$@"; do
            [ "$rel" = -- ] && break
            mount --bind "$wrap/$rel" "$build/$rel"
            shift
        done
        shift
        exec "$@"' _ "$BUILD" "$SCRATCH/wrap" "${STARTED[@]}" -- "$@"
}
t0=$SECONDS
rc=0
run_tests ctest --test-dir "$BUILD" -j2 --output-on-failure -I "0,0,0,$(cat "$SCRATCH/numbers")" \
    >"$BUILD/check-arm64-ctest.log" 2>&1 || rc=$?
summary=$(grep -E '^[0-9]+% tests passed' "$BUILD/check-arm64-ctest.log" || echo "no ctest summary")
echo "$summary ($((SECONDS - t0)) s; log $BUILD/check-arm64-ctest.log)"
echo "$counts" | awk '{ printf "  %-18s %4d tests\n", $1, $2 }'
skipped=$(grep -c '\*\*\*Skipped' "$BUILD/check-arm64-ctest.log" || true)

# What Debian 12's qemu (7.2) cannot run: the termios2 ioctls (TCGETS2, TCSETS2 and their W and
# F forms) are not emulated (ENOSYS). The serial component then takes the classic termios ones
# (standard bit rates only), but a few tests read the line back with termios2 themselves. And a
# vfork runs as a fork, so posix_spawn cannot hand back a failed exec's error
# (the child ends with status 127 instead). A failed test runs again on its own, its emulators
# logging what they do not implement; it counts as not runnable here only when it fails again
# and that log names a termios2 ioctl, or when it is the one test of posix_spawn's exec error
# and ends with status 127. Any other failure fails the check.
not_emulated=()
real_failures=()
failed_list=$BUILD/Testing/Temporary/LastTestsFailed.log
if [ "$rc" -ne 0 ] && [ -f "$failed_list" ]; then
    rm -rf "$BUILD/check-arm64-reruns"
    while IFS=: read -r number name; do
        dir=$BUILD/check-arm64-reruns/$number # its output and qemu's logs, kept to look at
        mkdir -p "$dir"
        wd=$(jq -r --arg n "$name" '.tests[] | select(.name == $n) | .properties[]?
            | select(.name == "WORKING_DIRECTORY") | .value' "$SCRATCH/tests.json")
        mapfile -t command < <(jq -r --arg n "$name" '.tests[] | select(.name == $n) | .command[]' "$SCRATCH/tests.json")
        again=0
        rm -f "$SCRATCH"/unimp/*
        run_tests env -C "${wd:-$BUILD}" QEMU_LOG=unimp QEMU_LOG_FILENAME="$SCRATCH/unimp/%d.log" \
            timeout 300 "${command[@]}" >"$dir/output" 2>&1 || again=$?
        cp "$SCRATCH"/unimp/*.log "$dir/" 2>/dev/null || true
        if [ "$again" -eq 0 ]; then
            real_failures+=("$name (passed when run again alone)")
        elif grep -qsE 'Unsupported ioctl: cmd=0x(ffffffff)?[48]02c542[a-d]$' "$dir"/*.log; then
            not_emulated+=("$name: termios2 ioctls")
        elif [ "$name" = ReportProgram.AFailureIsToldWithItsMessage ] &&
            grep -q 'ended with status 127' "$dir/output"; then
            not_emulated+=("$name: posix_spawn's exec error through vfork")
        else
            real_failures+=("$name")
        fi
    done <"$failed_list"
fi
printf '%s\n' "${not_emulated[@]}" | grep . >"$BUILD/check-arm64-not-emulated.txt" || true
ran=$((selected - ${#not_emulated[@]}))
if [ "$rc" -ne 0 ] && [ ! -f "$failed_list" ]; then
    fail "test suites under emulation: $summary (log $BUILD/check-arm64-ctest.log)"
elif [ ${#real_failures[@]} -eq 0 ]; then
    pass "$ran of $selected tests of ${#SUITES[@]} suites passed as arm64 programs ($skipped skipped), the other ${#not_emulated[@]} need what qemu $("$QEMU" --version | sed -n '1s/.*version \([^ ]*\).*/\1/p') does not emulate"
    if [ ${#not_emulated[@]} -gt 0 ]; then
        awk -F': ' '{ n[$NF]++ } END { for (k in n) printf "  %3d  %s\n", n[k], k }' "$BUILD/check-arm64-not-emulated.txt"
        echo "  (list: $BUILD/check-arm64-not-emulated.txt)"
    fi
else
    fail "test suites under emulation: ${#real_failures[@]} failed: ${real_failures[*]} (log $BUILD/check-arm64-ctest.log)"
fi

# --- 5. corvane-decode: arm64 against amd64 on the corpus -------------------------------------
step "corvane-decode, arm64 against amd64, on $CORPUS"
[ -d "$CORPUS" ] || die "no corpus at $CORPUS"
# The reference from the same sources: built (or brought up to date) in the amd64 build.
[ -f "$HOST_BUILD/CMakeCache.txt" ] ||
    cmake -S "$SRC" -B "$HOST_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$HOST_BUILD" -j2 --target corvane-decode
HOST_DECODE=$HOST_BUILD/tools/decode/corvane-decode
ARM_DECODE=$BUILD/tools/decode/corvane-decode
mapfile -t files < <(find "$CORPUS" -type f | LC_ALL=C sort)
same=0
differ=""
bytes=0
lines=0
decode_both() { # decode_both FILE...: the outputs and statuses in $SCRATCH/{amd64,arm64}.*
    local r=0
    "$HOST_DECODE" "$@" >"$SCRATCH/amd64.out" 2>"$SCRATCH/amd64.err" || r=$?
    echo "$r" >"$SCRATCH/amd64.status"
    r=0
    "$QEMU" -L / "$ARM_DECODE" "$@" >"$SCRATCH/arm64.out" 2>"$SCRATCH/arm64.err" || r=$?
    echo "$r" >"$SCRATCH/arm64.status"
}
identical() {
    local k
    for k in out err status; do cmp -s "$SCRATCH/amd64.$k" "$SCRATCH/arm64.$k" || return 1; done
}
for f in "${files[@]}"; do
    decode_both "$f"
    if identical; then
        same=$((same + 1))
        bytes=$((bytes + $(stat -c %s "$SCRATCH/amd64.out")))
        lines=$((lines + $(wc -l <"$SCRATCH/amd64.out")))
    else
        differ+=" ${f#"$CORPUS"/}"
    fi
done
if [ -z "$differ" ] && [ "$same" -gt 0 ]; then
    pass "corvane-decode: arm64 output byte-identical to amd64 on all $same corpus files ($lines JSON lines, $bytes bytes; statuses and stderr too)"
else
    fail "corvane-decode differs on:$differ"
fi
# All files in one run: one joining state across the files.
decode_both "${files[@]}"
if identical; then
    pass "corvane-decode: arm64 and amd64 identical on all $same files in one run ($(wc -l <"$SCRATCH/amd64.out") lines)"
else
    fail "corvane-decode: arm64 and amd64 differ on all files in one run"
fi

# --- 6. the window ----------------------------------------------------------------------------
step "The window under the offscreen platform"
# Alive after 5 s (no missing library or plugin, emulation is slower than the 3 s check-deb
# gives), then SIGTERM, which closes it like File > Exit: status 0. A signal that came before
# its handler was in place, or a crash, would show as another status.
mkdir -m 0700 "$SCRATCH/window" "$SCRATCH/runtime"
(cd "$SCRATCH/window" && QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$SCRATCH/runtime" \
    exec "$QEMU" -L / "$BUILD/app/corvane") >"$SCRATCH/corvane.log" 2>&1 &
pid=$!
PIDS+=("$pid")
sleep 5
rc=0
if ! kill -0 "$pid" 2>/dev/null; then
    wait "$pid" || rc=$?
    fail "corvane ended by itself within 5 s (status $rc)"
    tail -5 "$SCRATCH/corvane.log" >&2
else
    kill -TERM "$pid"
    wait "$pid" || rc=$?
    PIDS=()
    if [ "$rc" -eq 0 ] && ! grep -qiE 'could not (load|find)|cannot open shared|error while loading' "$SCRATCH/corvane.log"; then
        pass "corvane ran 5 s under $QEMU (offscreen) and ended on SIGTERM with status 0"
    else
        fail "corvane: status $rc on SIGTERM"
        tail -5 "$SCRATCH/corvane.log" >&2
    fi
fi
step ""

# --- summary ----------------------------------------------------------------------------------
echo
echo "== Summary ($((SECONDS - START)) s)"
printf '%s\n' "${TIMES[@]}"
printf '%s\n' "${RESULTS[@]}"
if [ "$FAILED" -ne 0 ]; then
    echo "check-arm64: FAIL"
    exit 1
fi
echo "check-arm64: PASS"
