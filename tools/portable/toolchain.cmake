# CMake toolchain of the portable build: zig's clang and lld for x86-64 Linux
# with the C library interface of glibc 2.3.4, the C++ runtime (libc++) linked
# in statically. tools/portable/toolchain.sh installs what this names and
# `make portable` passes its directory as FCUPDATE_TOOLCHAIN_DIR.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

if(NOT FCUPDATE_TOOLCHAIN_DIR)
  set(FCUPDATE_TOOLCHAIN_DIR "$ENV{FCUPDATE_TOOLCHAIN_DIR}")
endif()
if(NOT EXISTS "${FCUPDATE_TOOLCHAIN_DIR}/wrappers/c++")
  message(FATAL_ERROR "no portable toolchain at '${FCUPDATE_TOOLCHAIN_DIR}': run tools/portable/toolchain.sh")
endif()
set(FCUPDATE_TOOLCHAIN_DIR "${FCUPDATE_TOOLCHAIN_DIR}" CACHE PATH "The portable toolchain (tools/portable/toolchain.sh)")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES FCUPDATE_TOOLCHAIN_DIR)
set(FCUPDATE_PORTABLE ON CACHE BOOL "The portable build for old enterprise hosts" FORCE)

set(CMAKE_C_COMPILER "${FCUPDATE_TOOLCHAIN_DIR}/wrappers/cc")
set(CMAKE_CXX_COMPILER "${FCUPDATE_TOOLCHAIN_DIR}/wrappers/c++")
set(CMAKE_AR "${FCUPDATE_TOOLCHAIN_DIR}/wrappers/ar" CACHE FILEPATH "" FORCE)
set(CMAKE_RANLIB "${FCUPDATE_TOOLCHAIN_DIR}/wrappers/ranlib" CACHE FILEPATH "" FORCE)
# The host's strip handles any x86-64 ELF file; the packages use it.
set(CMAKE_STRIP /usr/bin/strip CACHE FILEPATH "" FORCE)
# No RPATH or RUNPATH: the sysroot exists only on the build host.
set(CMAKE_SKIP_RPATH ON)

# Every executable links the C library shims that portable.cmake builds as a
# target of the project, so the compiler checks only compile.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

# Libraries and headers come only from the small sysroot, never from the
# build host's /usr (its C library headers are newer than the target's).
set(sysroot "${FCUPDATE_TOOLCHAIN_DIR}/sysroot")
set(CMAKE_FIND_ROOT_PATH "${sysroot}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ENV{PKG_CONFIG_LIBDIR} "${sysroot}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")

# The hardening and link flags are the project's own (portable.cmake), so
# that a change to them reaches a build directory configured before.
set(CMAKE_C_FLAGS_INIT "-isystem ${sysroot}/include")
set(CMAKE_CXX_FLAGS_INIT "-isystem ${sysroot}/include")
