# Cross build for 64-bit ARM Linux (a Raspberry Pi with a 64-bit Debian) on a Debian amd64
# machine, with Debian's own cross compiler and the arm64 development packages installed beside
# the machine's own (multiarch: dpkg --add-architecture arm64; scripts/check-arm64.sh installs
# them):
#   cmake -S . -B build-arm64 -G Ninja --toolchain cross/aarch64-linux-gnu.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)

# Multiarch keeps the arm64 libraries and their CMake packages in /usr/lib/aarch64-linux-gnu of
# this machine's own root, so no sysroot: naming the architecture is what makes find_package
# and find_library look there and not at the amd64 ones.
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
# pkg-config too (Qt's dependencies look some libraries up with it): the arm64 .pc files only.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/aarch64-linux-gnu/pkgconfig:/usr/share/pkgconfig)

# Debian's arm64 Qt was built natively, so it asks for no QT_HOST_PATH: its Qt6CoreTools and
# Qt6WidgetsTools name /usr/lib/qt6/libexec/{moc,uic,rcc}, which multiarch fills with the amd64
# programs of qt6-base-dev-tools. Nothing to set for them here.

# Programs built here run under user-mode emulation: gtest_discover_tests lists the tests with
# it at build time and ctest runs them with it. "-L /" is the arm64 loader's root, again this
# machine's own.
find_program(CORVANE_QEMU_AARCH64 NAMES qemu-aarch64-static qemu-aarch64)
if(CORVANE_QEMU_AARCH64)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CORVANE_QEMU_AARCH64} -L /)
endif()

