#!/usr/bin/env bash
# Builds corvane-config.exe and corvane-decode.exe for Windows with Debian's mingw-w64 and proves
# them under Wine against the Linux build of the same source:
#   - corvane-decode.exe prints byte for byte what corvane-decode prints, for every file of the
#     corpus (and for all of it at once, and from standard input);
#   - corvane-config.exe reads, writes and resets corvane-sim through a Wine COM port mapped onto
#     the simulator's pseudo-terminal (Wine's port table in its registry). Each case runs once
#     with the Linux program against one simulator and once with the Windows program against
#     another started alike; the simulators' transcripts (every sentence received), the exit
#     statuses and the printed texts must be the same, port paths aside.
# Wine runs in a mount namespace whose /dev has no serial device of this machine: Wine's mount
# manager would otherwise look at /dev/ttyS* when it starts and map them as COM ports.
#
# Usage: scripts/check-windows.sh [WINDOWS_BUILD_DIR [LINUX_BUILD_DIR]]
#   WINDOWS_BUILD_DIR  default build-windows in the repository (also holds the Wine prefix)
#   LINUX_BUILD_DIR    default build; its corvane-decode, corvane-config and corvane-sim are
#                      built when missing
# Needs a mount namespace: as root, in a user namespace, or through sudo.
set -euo pipefail

SRC=$(realpath "$(dirname "$0")/..")
WIN=$(realpath -m "${1:-$SRC/build-windows}")
LIN=$(realpath -m "${2:-$SRC/build}")
CORPUS=$(realpath -m "$SRC/../shared/corpus")

if [ "${CORVANE_WINE_SANDBOX:-}" != 1 ]; then
    # shellcheck source=deps.sh
    source "$SRC/scripts/deps.sh"
    corvane_install_missing g++-mingw-w64-x86-64-posix wine wine64 util-linux iproute2 python3
    # A mount namespace of our own: as root, else as root of a user namespace of our own where
    # the system allows them, else through sudo.
    if [ "$(id -u)" -eq 0 ] && unshare --mount true 2>/dev/null; then
        ns=(unshare)
    elif unshare --user --map-root-user --mount true 2>/dev/null; then
        ns=(unshare --user --map-root-user)
    elif [ "$(id -u)" -ne 0 ] && sudo -n unshare --mount true 2>/dev/null; then
        ns=(sudo -n unshare)
    else
        # Without one, Wine would see this machine's serial devices: nothing is run.
        echo "check-windows: SKIPPED: no mount namespace can be made here (as root, in a user" \
            "namespace or through sudo), and Wine must not see this machine's serial devices" >&2
        exit 0
    fi
    exec "${ns[@]}" --mount --propagation private env CORVANE_WINE_SANDBOX=1 "$0" "$WIN" "$LIN"
fi

START=$SECONDS
FAILED=0
RESULTS=()
WINE_NOTES=()
pass() { RESULTS+=("PASS  $1"); echo "PASS  $1"; }
fail() { RESULTS+=("FAIL  $1"); echo "FAIL  $1" >&2; FAILED=1; }
step() { echo; echo "== $* ($((SECONDS - START)) s)"; }
die() { echo "check-windows: $*" >&2; exit 1; }

# --- a /dev without serial devices, in this namespace only ------------------------------------
dev=$(mktemp -d /tmp/corvane-wine-dev.XXXXXX)
mount -t tmpfs -o mode=755 tmpfs "$dev"
for n in null zero full random urandom; do
    touch "$dev/$n"
    mount --bind "/dev/$n" "$dev/$n"
done
mkdir "$dev/pts" "$dev/shm"
mount --bind /dev/pts "$dev/pts" # the simulator's pseudo-terminals, and only those are reached
ln -s pts/ptmx "$dev/ptmx"
mount -t tmpfs -o mode=1777 tmpfs "$dev/shm"
ln -s /proc/self/fd "$dev/fd"
mount --move "$dev" /dev
rmdir "$dev" 2>/dev/null || true

RUN=$(mktemp -d /tmp/corvane-check-windows.XXXXXX)
PIDS=()
cleanup() {
    set +e
    local p
    for p in "${PIDS[@]}"; do kill -TERM "$p" 2>/dev/null; done
    for p in "${PIDS[@]}"; do wait "$p" 2>/dev/null; done
    wineserver -k >/dev/null 2>&1
    rm -rf "$RUN"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

# --- 1. the builds ------------------------------------------------------------------------------
step "Windows build in $WIN"
t0=$SECONDS
cmake -S "$SRC" -B "$WIN" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$SRC/cross/mingw-w64-x86_64.cmake" \
    -DCORVANE_TOOLS_ONLY=ON -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
cmake --build "$WIN" -j "$(nproc)" --target corvane-config corvane-decode test_win32
CONFIG_EXE=$WIN/tools/config/corvane-config.exe
DECODE_EXE=$WIN/tools/decode/corvane-decode.exe
for exe in "$CONFIG_EXE" "$DECODE_EXE"; do
    dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\tDLL Name: //p' | tr '\n' ' ')
    if ! grep -qiE 'libstdc|libgcc|libwinpthread' <<<"$dlls"; then
        pass "$(basename "$exe"): $(stat -c %s "$exe") bytes, needs only Windows' own DLLs ($dlls)"
    else
        fail "$(basename "$exe") needs the compiler's DLLs: $dlls"
    fi
done
echo "built in $((SECONDS - t0)) s"

step "Linux programs in $LIN"
[ -f "$LIN/CMakeCache.txt" ] || cmake -S "$SRC" -B "$LIN" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$LIN" -j "$(nproc)" --target corvane-decode corvane-config corvane-sim
DECODE=$LIN/tools/decode/corvane-decode
CONFIG=$LIN/tools/config/corvane-config
SIM=$LIN/tools/sim/corvane-sim

# --- 2. Wine --------------------------------------------------------------------------------------
step "Wine prefix in $WIN/wine-prefix"
export WINEPREFIX=$WIN/wine-prefix WINEDEBUG=-all WINEARCH=win64
# Made anew each run, so that only this run's port mappings are in it.
rm -rf "$WINEPREFIX"
wineboot -i >"$RUN/wineboot.log" 2>&1 || { tail "$RUN/wineboot.log" >&2; die "wineboot failed"; }
wineserver -w
wine --version
coms=$(find "$WINEPREFIX/dosdevices" -maxdepth 1 -iname 'com*' -printf '%f ' || true)
if [ -z "$coms" ]; then pass "Wine maps no serial port of this machine"; else fail "Wine mapped $coms"; fi

# --- 3. corvane-decode.exe -------------------------------------------------------------------------
step "corvane-decode.exe against corvane-decode on the corpus ($CORPUS)"
mapfile -t files < <(find "$CORPUS" -type f | LC_ALL=C sort)
[ ${#files[@]} -gt 0 ] || die "no corpus at $CORPUS"
wineserver -p >/dev/null 2>&1 # kept running: each program then starts in a fraction of a second
same=0
bytes=0
for f in "${files[@]}"; do
    s1=0 s2=0
    "$DECODE" "$f" >"$RUN/lin.out" 2>"$RUN/lin.err" || s1=$?
    wine "$DECODE_EXE" "$f" >"$RUN/win.out" 2>"$RUN/win.err" || s2=$?
    if [ $s1 -eq $s2 ] && cmp -s "$RUN/lin.out" "$RUN/win.out" && cmp -s "$RUN/lin.err" "$RUN/win.err"; then
        same=$((same + 1))
        bytes=$((bytes + $(stat -c %s "$RUN/lin.out")))
    else
        fail "corvane-decode.exe differs on ${f#"$CORPUS"/} (status $s1 / $s2)"
        diff <(head -c 2000 "$RUN/lin.out") <(head -c 2000 "$RUN/win.out") | head -5 >&2 || true
    fi
done
[ $same -eq ${#files[@]} ] && pass "corvane-decode.exe: all ${#files[@]} corpus files byte-identical ($bytes bytes of output)"
"$DECODE" "${files[@]}" >"$RUN/lin.out"
wine "$DECODE_EXE" "${files[@]}" >"$RUN/win.out"
if cmp -s "$RUN/lin.out" "$RUN/win.out"; then pass "corvane-decode.exe: the whole corpus in one run byte-identical"; else fail "the whole corpus in one run differs"; fi
cat "${files[@]}" | "$DECODE" >"$RUN/lin.out"
cat "${files[@]}" | wine "$DECODE_EXE" >"$RUN/win.out"
if cmp -s "$RUN/lin.out" "$RUN/win.out"; then pass "corvane-decode.exe: the corpus on standard input byte-identical"; else fail "standard input differs"; fi
s1=0 s2=0
"$DECODE" "$RUN/missing.nmea" 2>"$RUN/lin.err" || s1=$?
wine "$DECODE_EXE" "$RUN/missing.nmea" 2>"$RUN/win.err" || s2=$?
if [ $s1 -eq $s2 ] && cmp -s "$RUN/lin.err" "$RUN/win.err"; then pass "corvane-decode.exe: a missing file gives the same message and status $s1"; else fail "missing file: $(cat "$RUN/lin.err") / $(cat "$RUN/win.err")"; fi

# --- 4. the Windows layer on its own --------------------------------------------------------------
step "test_win32: the serial component's Windows layer"
if wine "$WIN/tests/windows/test_win32.exe" >"$RUN/test_win32.log" 2>&1; then
    pass "test_win32: $(grep -o '[0-9]* tests from [0-9]* test suites ran' "$RUN/test_win32.log"), all passed"
else
    fail "test_win32"
    grep -E 'Failure|FAILED|Which is|Expected' "$RUN/test_win32.log" | head -20 >&2
fi

# --- 5. corvane-config.exe against corvane-sim -----------------------------------------------------
step "corvane-config.exe against corvane-sim through a Wine COM port"

# start_sim NAME ARGS...: a simulator of its own; sets SIM_PID, SIM_NUM, SIM_DEV, SIM_DIR.
start_sim() {
    SIM_DIR=$RUN/$1
    shift
    mkdir -p "$SIM_DIR"
    mkdir -m 700 "$SIM_DIR/ports"
    "$SIM" --port "$COM" --port-dir "$SIM_DIR/ports" --transcript "$SIM_DIR/transcript" --config "$SIM_DIR/memory" \
        "$@" >"$SIM_DIR/sim.out" 2>"$SIM_DIR/sim.log" &
    SIM_PID=$!
    PIDS+=("$SIM_PID")
    for _ in $(seq 100); do [ -s "$SIM_DIR/sim.out" ] && break; sleep 0.05; done
    local com
    read -r com SIM_DEV <"$SIM_DIR/sim.out" || die "corvane-sim did not start: $(cat "$SIM_DIR/sim.log")"
    SIM_NUM=${com#COM}
    ln -sfn "$SIM_DEV" "$RUN/com$COM"
}
stop_sim() {
    kill -TERM "$SIM_PID" 2>/dev/null || true
    wait "$SIM_PID" 2>/dev/null || true
}
# Wine's port table, set once: COM7 is the link $RUN/com7, which each case points at its
# simulator's terminal. Wine follows it at every open, so no case waits for Wine to restart.
COM=7
map_com() {
    ln -sfn /dev/null "$RUN/com$COM"
    wine reg add 'HKLM\Software\Wine\Ports' /v "COM$COM" /t REG_SZ /d "$RUN/com$COM" /f >/dev/null 2>&1
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w
    wineserver -p >/dev/null 2>&1
    wine cmd /c exit >/dev/null 2>&1 || true # starts the mount manager, which reads the table
    [ "$(readlink "$WINEPREFIX/dosdevices/com$COM")" = "$RUN/com$COM" ] ||
        die "Wine did not map COM$COM onto $RUN/com$COM"
    pass "Wine's registry maps COM$COM onto $RUN/com$COM"
}
map_com
# ser2net in front of the simulator: its terminal as raw TCP on a free loopback port (NET_URL).
start_ser2net() {
    local port
    port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    printf '%s\n' '%YAML 1.1' '---' 'connection: &corvane' "    accepter: tcp,127.0.0.1,$port" \
        "    connector: serialdev,$SIM_DEV,38400n81,local" '    options:' '        kickolduser: true' \
        >"$SIM_DIR/ser2net.yaml"
    /usr/sbin/ser2net -d -u -c "$SIM_DIR/ser2net.yaml" >"$SIM_DIR/ser2net.log" 2>&1 &
    NET_PID=$!
    PIDS+=("$NET_PID")
    for _ in $(seq 100); do ss -ltnH "sport = :$port" | grep -q . && break; sleep 0.05; done
    NET_URL=tcp://127.0.0.1:$port
}
stop_ser2net() {
    kill -TERM "$NET_PID" 2>/dev/null || true
    wait "$NET_PID" 2>/dev/null || true
}
# The texts with the port's path in place of the system's own: both name COM<n> their way.
normal() {
    sed -e "s#$RUN/[a-z0-9-]*/ports/COM\([0-9]*\)#<COM\1>#g" -e 's#\\\\\.\\COM\([0-9]*\)#<COM\1>#g' \
        -e 's# -> /dev/pts/[0-9]*##' -e "s#$RUN/com$COM#<COM$COM>#g" \
        -e 's#tcp://127\.0\.0\.1:[0-9]*#tcp://127.0.0.1:PORT#g' "$1"
}
# run_side SIDE ARGS...: the program of that side, its outputs in $SIM_DIR/SIDE.*
run_side() {
    local side=$1 status=0
    shift
    if [ "$side" = lin ]; then
        timeout 120 "$CONFIG" --port-dir "$SIM_DIR/ports" "$@" >"$SIM_DIR/$side.out" 2>"$SIM_DIR/$side.err" </dev/null || status=$?
    else
        timeout 120 wine "$CONFIG_EXE" "$@" >"$SIM_DIR/$side.out" 2>"$SIM_DIR/$side.err" </dev/null || status=$?
    fi
    echo $status >"$SIM_DIR/$side.status"
}
transcript() { cut -d' ' -f2- "$1/transcript" 2>/dev/null || true; }

# case_pair NAME SIM-ARGS -- STEP...: each step ("read --port @" and the like, @ the port
# number) runs in turn on the same simulator; the Linux side first, then the Windows side.
declare -A LIN_RESULT
case_pair() {
    local name=$1 side i
    shift
    local simargs=()
    while [ "$1" != -- ]; do simargs+=("$1"); shift; done
    shift
    for side in lin win; do
        start_sim "$name-$side" "${simargs[@]}"
        [ -n "${WITH_SER2NET:-}" ] && start_ser2net
        i=0
        for s in "$@"; do
            i=$((i + 1))
            local step=${s//@/$SIM_NUM}
            read -r -a words <<<"${step//%/${NET_URL:-}}"
            run_side $side "${words[@]}"
            local d=$RUN/$name-$side
            LIN_RESULT[$name-$i-$side]="$(cat "$d/$side.status")|$(normal "$d/$side.out")|$(normal "$d/$side.err")|$(transcript "$d")"
            if [ $side = win ]; then
                if [ "${LIN_RESULT[$name-$i-lin]}" = "${LIN_RESULT[$name-$i-win]}" ]; then
                    pass "$name: '${s//@/N}' the same on Windows (status $(cat "$d/$side.status"), $(transcript "$d" | wc -l) sentences so far)"
                else
                    fail "$name: '${s//@/N}' differs"
                    diff <(tr '|' '\n' <<<"${LIN_RESULT[$name-$i-lin]}") <(tr '|' '\n' <<<"${LIN_RESULT[$name-$i-win]}") | head -20 >&2 || true
                fi
            fi
        done
        [ -n "${WITH_SER2NET:-}" ] && stop_ser2net
        if [ $side = lin ]; then cp "$SIM_DIR/memory" "$RUN/$name-memory.lin" 2>/dev/null || true; fi
        stop_sim
        if [ $side = win ] && ! cmp -s "$RUN/$name-memory.lin" "$SIM_DIR/memory"; then
            fail "$name: the simulator's memory differs after the Windows run"
        fi
    done
}

printf '%s\n' '{"mmsi": "244123456", "name": "new name", "callsign": "ab12", "a": 20, "b": 10, "c": 4, "d": 4,' \
    '"vessel_type": 36, "switch_type": "rx-only", "rs422_baud": 4800, "gps_output": "minimal", "alarm_output": "disable"}' \
    >"$RUN/profile.json"

case_pair session --no-traffic -- \
    "ports" \
    "read" \
    "read --json --port @" \
    "write --dry-run $RUN/profile.json --port @" \
    "write $RUN/profile.json --port @" \
    "read --port @" \
    "reset --yes --port @" \
    "read --json --port @" \
    "read --port 200"
case_pair traffic --targets 20 --speed 5 -- "read --port @"
case_pair silent --no-traffic --silent -- "read --port @"
case_pair unplugged --no-traffic --unplug-after 1.2 -- "read --port @"
# A network port: corvane-sim behind Debian's ser2net, as a WiFi gateway serves a unit.
WITH_SER2NET=1 case_pair network --targets 20 --speed 5 -- "read --port %" "write $RUN/profile.json --port %"

# A port that another program has open: Windows gives it to one handle only, as the Linux build
# locks it.
busy_side() {
    local side=$1
    start_sim "busy-$side" --no-traffic
    local holder
    if [ "$side" = lin ]; then
        "$CONFIG" --port-dir "$SIM_DIR/ports" check --port "$SIM_NUM" --seconds 20 >/dev/null 2>&1 &
    else
        wine "$CONFIG_EXE" check --port "$SIM_NUM" --seconds 20 >/dev/null 2>&1 &
    fi
    holder=$!
    PIDS+=("$holder")
    for _ in $(seq 200); do [ -s "$SIM_DIR/transcript" ] && break; sleep 0.05; done
    run_side "$side" read --port "$SIM_NUM"
    kill -TERM "$holder" 2>/dev/null || true
    wait "$holder" 2>/dev/null || true
    stop_sim
    echo "$(cat "$SIM_DIR/$side.status")|$(normal "$SIM_DIR/$side.out")|$(normal "$SIM_DIR/$side.err")"
}
busy_lin=$(busy_side lin)
busy_win=$(busy_side win)
if [ "$busy_lin" = "$busy_win" ]; then
    pass "busy port: the same message and status on Windows: $(tr '|\n' '  ' <<<"$busy_win")"
elif ! grep -q 'Device or resource busy' <<<"$busy_win" && grep -q 'Probing COM' <<<"$busy_win"; then
    # A Windows serial driver refuses a second open (ERROR_ACCESS_DENIED, which the port reports
    # as busy: test_win32 checks that text); Wine's serial emulation opens the terminal again.
    WINE_NOTES+=("busy port: Wine opened the port for a second program as well, which then probed it (status ${busy_win%%|*}); the busy text is checked by test_win32")
    echo "WINE  ${WINE_NOTES[-1]}"
else
    fail "busy port differs"
    diff <(tr '|' '\n' <<<"$busy_lin") <(tr '|' '\n' <<<"$busy_win") >&2 || true
fi

# --- summary ----------------------------------------------------------------------------------------
echo
echo "== Summary ($((SECONDS - START)) s)"
printf '%s\n' "${RESULTS[@]}"
for note in "${WINE_NOTES[@]}"; do echo "WINE  $note"; done
if [ "$FAILED" -ne 0 ]; then
    echo "check-windows: FAIL"
    exit 1
fi
echo "check-windows: PASS"
