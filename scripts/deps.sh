# Installs the Debian packages the build and the tests need, when any is missing.
# Sourced by ./test and ./run; uses apt-get only (with sudo when not root).

CORVANE_PACKAGES=(
    cmake ninja-build g++ pkg-config
    libgtest-dev libbenchmark-dev
    qt6-base-dev libgl-dev libjpeg62-turbo-dev
    qt6-base-private-dev   # switches accessibility on under the offscreen platform in the tests
    gpsd-clients   # gpsdecode: the independent decoder the codec is compared with
    gpsd           # a real client of the shared stream in the tests
    ser2net        # a real serial-to-TCP server in front of the simulator in the tests
    poppler-utils   # pdftotext and pdftoppm: the reports are read back in the tests
    clang libclang-rt-14-dev   # libFuzzer for the fuzz smoke run
)

corvane_install_missing() {
    local missing=() p
    for p in "${CORVANE_PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}
