# Cross-compiling for Windows with Debian's MinGW-w64 (the POSIX thread model: std::thread and OpenMP need it).
#   -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64.cmake -DMINGW_ARCH=i686|x86_64 -DMINGW_SYSROOT=<prefix>
# The sysroot is where scripts/build-windows.sh installs the cross-built dependencies.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 10)
if(NOT MINGW_ARCH)
  set(MINGW_ARCH i686)
endif()
set(CMAKE_SYSTEM_PROCESSOR ${MINGW_ARCH})
set(MINGW_TRIPLE ${MINGW_ARCH}-w64-mingw32)

set(CMAKE_C_COMPILER ${MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLE}-windres)
set(CMAKE_AR ${MINGW_TRIPLE}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${MINGW_TRIPLE}-gcc-ranlib-posix CACHE FILEPATH "")

# Dependencies come from the sysroot (and the toolchain's own folder), programs from the build machine.
set(CMAKE_FIND_ROOT_PATH ${MINGW_SYSROOT} /usr/${MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
list(APPEND CMAKE_PREFIX_PATH ${MINGW_SYSROOT})
# try_compile projects see these too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES MINGW_ARCH MINGW_SYSROOT)

# pkg-config reads the sysroot's .pc files only, never the build machine's.
set(ENV{PKG_CONFIG_LIBDIR} ${MINGW_SYSROOT}/lib/pkgconfig:${MINGW_SYSROOT}/share/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")

# Libraries linked by name (-lSPIRV, ...) and headers without a package file are found in the sysroot.
set(CMAKE_C_FLAGS_INIT "-isystem ${MINGW_SYSROOT}/include")
set(CMAKE_CXX_FLAGS_INIT "-isystem ${MINGW_SYSROOT}/include")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-L${MINGW_SYSROOT}/lib")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-L${MINGW_SYSROOT}/lib")
