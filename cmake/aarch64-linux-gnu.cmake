# Cross-compiles for 64-bit ARM Linux with Debian's cross compilers (g++-aarch64-linux-gnu,
# gcc-aarch64-linux-gnu) and runs the tests under user-mode emulation (qemu-user), with the ARM
# C library of libc6-arm64-cross as the root of the programs' dynamic loader:
#   cmake --preset aarch64
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(AARCH64_TRIPLET aarch64-linux-gnu)
set(CMAKE_C_COMPILER ${AARCH64_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${AARCH64_TRIPLET}-g++)

set(AARCH64_SYSROOT /usr/${AARCH64_TRIPLET})
set(CMAKE_FIND_ROOT_PATH ${AARCH64_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# ctest (and the test discovery) run the programs through the emulator.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/qemu-aarch64 -L ${AARCH64_SYSROOT})
