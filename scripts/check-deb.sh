#!/usr/bin/env bash
# Builds the Debian package and proves that it installs and runs on a fresh Debian 12 system:
# a minimal bookworm root made with debootstrap, the package installed there with apt (which
# pulls in only what the package declares), then the installed programs are run inside it.
# A screenshot of the installed window as it opens there, on its "Static data" tab with the
# fonts such a system has, is left in BUILD_DIR/corvane-xcb.png to look at.
#
# Usage: scripts/check-deb.sh [BUILD_DIR [ROOT_DIR]]
#   BUILD_DIR  Release build directory (default build-release in the repository)
#   ROOT_DIR   the pristine Debian 12 root (default BUILD_DIR/debian12-root); made once and
#              reused, every run installs into a throw-away overlay on top of it
# Needs root (or sudo) and Debian's mirror; not part of ./test or CI for that reason.
set -euo pipefail

SRC=$(realpath "$(dirname "$0")/..")
BUILD=$(realpath -m "${1:-$SRC/build-release}") # arguments are taken from the caller's directory
ROOT=$(realpath -m "${2:-$BUILD/debian12-root}")
cd "$SRC"
RUN=$ROOT-run            # overlay upper/work dirs and the merged root of this run
CACHE=$ROOT-apt-archives # downloaded packages, kept so a second run downloads nothing
STAMP=$ROOT/.corvane-debootstrap-complete
SUITE=bookworm

SUDO=()
[ "$(id -u)" -ne 0 ] && SUDO=(sudo)

START=$SECONDS
FAILED=0
RESULTS=()
pass() { RESULTS+=("PASS  $1"); echo "PASS  $1"; }
fail() { RESULTS+=("FAIL  $1"); echo "FAIL  $1" >&2; FAILED=1; }
step() { echo; echo "== $* ($((SECONDS - START)) s)"; }
die() { echo "check-deb: $*" >&2; exit 1; }

# --- cleanup: every mount and background process of this run goes on any exit path ----------
MOUNTS=()
PIDS=()
mounted_below() { findmnt -rn -o TARGET | awk -v p="$1" 'index($0, p) == 1 { f = 1 } END { exit !f }'; }
forget() { # drops a finished process from PIDS
    local p keep=()
    for p in "${PIDS[@]}"; do [ "$p" = "$1" ] || keep+=("$p"); done
    PIDS=("${keep[@]}")
}
cleanup() {
    set +e
    local i
    for i in "${PIDS[@]}"; do "${SUDO[@]}" kill -TERM "$i" 2>/dev/null || true; done
    for i in "${PIDS[@]}"; do wait "$i" 2>/dev/null || true; done
    # Only this run starts programs in its root: whatever still runs there is ours.
    for i in /proc/[0-9]*; do
        [ "$("${SUDO[@]}" readlink "$i/root" 2>/dev/null)" = "$RUN/root" ] && "${SUDO[@]}" kill -KILL "${i#/proc/}"
    done
    for ((i = ${#MOUNTS[@]} - 1; i >= 0; i--)); do
        "${SUDO[@]}" umount "${MOUNTS[i]}" 2>/dev/null || "${SUDO[@]}" umount -l "${MOUNTS[i]}" || true
    done
    MOUNTS=()
    # Never delete through a mount that is still there.
    if [ -d "$RUN" ] && ! mounted_below "$RUN"; then "${SUDO[@]}" rm -rf "$RUN"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP
mnt() { # mnt TARGET mount-args...: mounts and remembers it for cleanup
    local target=$1
    shift
    "${SUDO[@]}" mount "$@" "$target"
    MOUNTS+=("$target")
}

# --- the machine's own Debian mirror ----------------------------------------------------------
# Prints "URI SUITE..." for every deb source of the machine's apt, deb822 files first.
apt_sources() {
    local f
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -r "$f" ] || continue
        awk 'BEGIN { RS = ""; FS = "\n" }
             { t = u = s = ""; on = 1
               for (i = 1; i <= NF; i++) {
                   if ($i ~ /^#/) continue
                   if (match($i, /^Types:[ \t]*/)) t = substr($i, RLENGTH + 1)
                   else if (match($i, /^URIs:[ \t]*/)) u = substr($i, RLENGTH + 1)
                   else if (match($i, /^Suites:[ \t]*/)) s = substr($i, RLENGTH + 1)
                   else if ($i ~ /^Enabled:[ \t]*no/) on = 0
               }
               if (on && u != "" && (" " t " ") ~ / deb /) { split(u, a, /[ \t]+/); print a[1], s } }' "$f"
    done
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -r "$f" ] || continue
        sed -E -n 's/^[[:space:]]*deb[[:space:]]+(\[[^]]*\][[:space:]]+)?//p' "$f" | awk '{ print $1, $2 }'
    done
}
# The first source with a release suite (no "-updates"/"-security" part) is the mirror; the
# first "-security" one, if any, gives the security archive a real install would also use.
MIRROR=$(apt_sources | awk '{ for (i = 2; i <= NF; i++) if ($i !~ /-/) { print $1; exit } }')
SECURITY=$(apt_sources | awk '{ for (i = 2; i <= NF; i++) if ($i ~ /-security$/) { print $1; exit } }')
[ -n "$MIRROR" ] || die "no Debian mirror found in /etc/apt/sources.list.d/*.sources (URIs:) or /etc/apt/sources.list (deb lines)"

# --- 1. the package ---------------------------------------------------------------------------
# shellcheck source=deps.sh
source "$SRC/scripts/deps.sh"
# xwd and netpbm take the screenshot from this machine's side of the X server.
corvane_install_missing debootstrap xvfb x11-apps netpbm

step "Release build and package in $BUILD"
# cpack builds what it installs; without this it would build every test and benchmark too.
cmake -S "$SRC" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build "$BUILD" -j2 --target corvane corvane-sim corvane-decode corvane-config corvane-report man
rm -f "$BUILD"/corvane_*.deb
(cd "$BUILD" && cpack -G DEB >/dev/null)
DEB=$(ls "$BUILD"/corvane_*.deb)
echo "package: $DEB ($(stat -c %s "$DEB") bytes, $(du -h "$DEB" | cut -f1))"
dpkg-deb -f "$DEB" Depends | sed 's/^/Depends: /'

# --- 2. the pristine Debian 12 root -----------------------------------------------------------
step "Debian 12 root in $ROOT (mirror $MIRROR)"
if [ -f "$STAMP" ]; then
    echo "reusing the existing root"
else
    mounted_below "$ROOT" && die "something is mounted below $ROOT"
    "${SUDO[@]}" rm -rf "$ROOT"
    "${SUDO[@]}" mkdir -p "$ROOT"
    "${SUDO[@]}" debootstrap --variant=minbase "$SUITE" "$ROOT" "$MIRROR" >"$BUILD/debootstrap.log" 2>&1 ||
        { tail -20 "$BUILD/debootstrap.log" >&2; die "debootstrap failed (log: $BUILD/debootstrap.log)"; }
    "${SUDO[@]}" touch "$STAMP"
fi

# --- 3. install the package in an overlay of that root ----------------------------------------
step "Installing the package with apt"
mounted_below "$RUN" && die "something is still mounted below $RUN"
"${SUDO[@]}" rm -rf "$RUN"
"${SUDO[@]}" mkdir -p "$RUN/upper" "$RUN/work" "$RUN/root" "$CACHE"
R=$RUN/root
if ! mnt "$R" -t overlay overlay -o "lowerdir=$ROOT,upperdir=$RUN/upper,workdir=$RUN/work" 2>/dev/null; then
    echo "no overlay here: copying the root instead"
    "${SUDO[@]}" cp -a "$ROOT/." "$R/"
fi
mnt "$R/proc" -t proc proc
mnt "$R/dev/pts" -t devpts devpts -o newinstance,ptmxmode=0666,mode=0620,gid=5
[ -e "$R/dev/ptmx" ] || "${SUDO[@]}" ln -s pts/ptmx "$R/dev/ptmx"
mnt "$R/var/cache/apt/archives" --bind "$CACHE"
"${SUDO[@]}" mkdir -p -m 1777 /tmp/.X11-unix "$R/tmp/.X11-unix"
mnt "$R/tmp/.X11-unix" --bind /tmp/.X11-unix

"${SUDO[@]}" cp /etc/resolv.conf "$R/etc/resolv.conf"
{
    echo "deb $MIRROR $SUITE main"
    echo "deb $MIRROR $SUITE-updates main"
    [ -n "$SECURITY" ] && echo "deb $SECURITY $SUITE-security main"
} | "${SUDO[@]}" tee "$R/etc/apt/sources.list" >/dev/null
"${SUDO[@]}" cp "$DEB" "$R/root/"
DEBNAME=$(basename "$DEB")

# Runs a command in the root with a clean environment; NAME=VALUE words may lead. An array,
# not a function: started with "&", $! is then the program itself (chroot and env exec it).
IN_ROOT=("${SUDO[@]}" chroot "$R" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root
    LC_ALL=C.UTF-8 DEBIAN_FRONTEND=noninteractive)
in_root() { "${IN_ROOT[@]}" "$@"; }
in_root apt-get update -q >"$BUILD/apt-update.log" 2>&1 ||
    { tail -20 "$BUILD/apt-update.log" >&2; die "apt-get update failed in the root"; }
WITH_RECOMMENDS=$(in_root apt-get install -s "/root/$DEBNAME" | grep -c '^Inst ' || true)
in_root dpkg-query -W -f '${Package}\n' | LC_ALL=C sort >"$BUILD/packages-before.txt"
# Recommends left out: the package must run on what it declares itself.
if in_root apt-get install -y -q --no-install-recommends "/root/$DEBNAME" >"$BUILD/apt-install.log" 2>&1; then
    in_root dpkg-query -W -f '${Package}\n' | LC_ALL=C sort >"$BUILD/packages-after.txt"
    LC_ALL=C comm -13 "$BUILD/packages-before.txt" "$BUILD/packages-after.txt" | grep -vx corvane >"$BUILD/packages-pulled.txt" || true
    PULLED=$(wc -l <"$BUILD/packages-pulled.txt")
    pass "apt installed $DEBNAME with $PULLED other packages ($((WITH_RECOMMENDS - 1)) with recommends; list: $BUILD/packages-pulled.txt)"
    grep -E '^(Need to get|After this operation)' "$BUILD/apt-install.log" || true
else
    tail -20 "$BUILD/apt-install.log" >&2
    die "apt-get install failed in the root (log: $BUILD/apt-install.log)"
fi

# --- 4. the installed programs ----------------------------------------------------------------
step "Running the installed programs"

# A position report (type 1), a two-sentence static report (type 5) and a class B report
# (type 18), real traffic with the vessels' MMSIs.
SENTENCES='!AIVDM,1,1,,A,15N1u<PP1FJuvSRHOE6QIwwh0HQ6,0*30
!AIVDM,2,1,1,A,55?MbV02;H;s<HtKR20EHE:0@T4@Dn2222222216L961O5Gf0NSQEp6ClRp8,0*1C
!AIVDM,2,2,1,A,88888888880,2*25
!AIVDM,1,1,,B,B5MiOp0006g4up6:EV403wr5oP06,0*38'
decoded=$(printf '%s\n' "$SENTENCES" | in_root corvane-decode) || true
got=$(printf '%s\n' "$decoded" | sed -n 's/.*"msgid": *\([0-9]*\).*"MMSI": *"\([0-9]*\)".*/\1:\2/p' | tr '\n' ' ')
if [ "$got" = "1:367033650 5:351759000 18:366764000 " ] &&
    [ "$decoded" = "$(printf '%s\n' "$SENTENCES" | "$BUILD/tools/decode/corvane-decode")" ]; then
    pass "corvane-decode decoded types 1, 5 (two sentences) and 18 as the build tree's does"
else
    fail "corvane-decode: got type:MMSI '$got'"
    printf '%s\n' "$decoded" >&2
fi

for tool in corvane-sim corvane-config corvane-report; do
    if in_root "$tool" --help 2>&1 | grep -q "^usage: $tool"; then
        pass "$tool --help"
    else
        fail "$tool --help"
    fi
done

missing=""
for f in /usr/share/man/man1/corvane.1 /usr/share/man/man1/corvane-sim.1 /usr/share/man/man1/corvane-decode.1 \
    /usr/share/man/man1/corvane-config.1 /usr/share/man/man1/corvane-report.1; do
    [ -f "$R$f" ] || [ -f "$R$f.gz" ] || missing+=" $f"
done
if [ -z "$missing" ]; then pass "manual pages corvane(1), corvane-sim(1), corvane-decode(1), corvane-config(1) and corvane-report(1) installed"; else fail "manual pages missing:$missing"; fi

desktop=$R/usr/share/applications/corvane.desktop
icon=$R/usr/share/icons/hicolor/128x128/apps/corvane.png
exe=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop" 2>/dev/null || true)
if [ -f "$desktop" ] && [ "$(head -c 8 "$icon" 2>/dev/null | od -An -tx1 | tr -d ' ')" = 89504e470d0a1a0a ] &&
    grep -qx 'Icon=corvane' "$desktop" && [ -n "$exe" ] && in_root sh -c "command -v $exe" >/dev/null; then
    pass "desktop entry (Exec=$exe found on PATH) and its PNG icon installed"
else
    fail "desktop entry or icon"
fi

# The window under a platform: still alive after 3 s (no missing library or plugin), then
# SIGTERM, which closes it like File > Exit: status 0. A crash would show as SIGSEGV or SIGABRT.
check_window() { # check_window LABEL NAME=VALUE...
    local label=$1 log=$BUILD/corvane-$1.log pid rc=0
    shift
    in_root mkdir -p -m 0700 /run/user/0
    "${IN_ROOT[@]}" XDG_RUNTIME_DIR=/run/user/0 "$@" corvane >"$log" 2>&1 &
    pid=$!
    PIDS+=("$pid")
    sleep 3
    # A picture of the window as it opens on the bare system, on its "Static data" tab: the
    # root's own fonts (only what the package pulls in), icons and pictures. Taken from this
    # machine's side of the shared X server, so nothing is added to the root.
    if [ -n "${SHOT:-}" ]; then
        local shot=$BUILD/corvane-$label.png
        if xwd -silent -display "$SHOT" -name "Corvane Programming Tool" 2>/dev/null |
            xwdtopnm 2>/dev/null | pnmtopng >"$shot" 2>/dev/null && [ -s "$shot" ]; then
            pass "screenshot of the Static data tab on the bare system: $shot"
        else
            fail "no screenshot of the window ($label)"
        fi
    fi
    if ! kill -0 "$pid" 2>/dev/null; then
        wait "$pid" || rc=$?
        fail "corvane ($label) ended by itself within 3 s (status $rc, log $log)"
        tail -5 "$log" >&2
        return
    fi
    "${SUDO[@]}" kill -TERM "$pid"
    wait "$pid" || rc=$?
    forget "$pid"
    if [ "$rc" -eq 0 ] && ! grep -qiE 'could not (load|find)|cannot open shared|error while loading' "$log"; then
        pass "corvane ($label) ran 3 s and ended on SIGTERM (status $rc)"
    else
        fail "corvane ($label): status $rc on SIGTERM (log $log)"
        tail -5 "$log" >&2
    fi
}
check_window offscreen QT_QPA_PLATFORM=offscreen

# The same on a real X server (the xcb plugin a desktop uses), the machine's Xvfb shared in.
display=:$((90 + RANDOM % 100))
Xvfb "$display" -nolisten tcp -screen 0 1280x1024x24 >/dev/null 2>&1 &
xpid=$!
PIDS+=("$xpid")
for _ in $(seq 50); do [ -S "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
SHOT=$display check_window xcb QT_QPA_PLATFORM=xcb DISPLAY="$display"
kill "$xpid" 2>/dev/null || true
wait "$xpid" 2>/dev/null || true
forget "$xpid"

# The simulator publishes its pseudo-terminal as a port and answers a query on it.
simout=$BUILD/corvane-sim.out
in_root mkdir -p -m 0700 /tmp/corvane-ports
"${IN_ROOT[@]}" corvane-sim --no-traffic --port-dir /tmp/corvane-ports >"$simout" 2>"$BUILD/corvane-sim.log" &
spid=$!
PIDS+=("$spid")
for _ in $(seq 50); do [ -s "$simout" ] && break; sleep 0.1; done
read -r com dev <"$simout" || true
if [[ "$com" =~ ^COM[0-9]+$ && "$dev" == /dev/pts/* ]] && [ -L "$R/tmp/corvane-ports/$com" ]; then
    pass "corvane-sim published $com on $dev"
    body='DUAIQ,SSD'
    sum=0
    for ((i = 0; i < ${#body}; i++)); do sum=$((sum ^ $(printf '%d' "'${body:i:1}"))); done
    query=$(printf '$%s*%02X' "$body" "$sum")
    reply=$(in_root timeout 5 bash -c 'exec 3<>"$1"; printf "%s\r\n" "$2" >&3; IFS= read -r -t 4 l <&3; printf "%s" "$l"' \
        _ "$dev" "$query" || true)
    reply=${reply%$'\r'}
    if [[ "$reply" == '$AISSD,'* ]]; then pass "corvane-sim answered $query with $reply"; else fail "corvane-sim gave '$reply' to $query"; fi
else
    fail "corvane-sim printed '$com $dev' (log $BUILD/corvane-sim.log)"
fi
rc=0
"${SUDO[@]}" kill -TERM "$spid"
wait "$spid" || rc=$?
forget "$spid"
if [ "$rc" -eq 0 ] && [ ! -e "$R/tmp/corvane-ports/$com" ]; then
    pass "corvane-sim ended on SIGTERM with status 0 and removed its port"
else
    fail "corvane-sim ended with status $rc (port left: $(ls "$R/tmp/corvane-ports" 2>/dev/null | tr '\n' ' '))"
fi

# --- summary ----------------------------------------------------------------------------------
echo
echo "== Summary ($((SECONDS - START)) s)"
printf '%s\n' "${RESULTS[@]}"
if [ "$FAILED" -ne 0 ]; then
    echo "check-deb: FAIL"
    exit 1
fi
echo "check-deb: PASS"
