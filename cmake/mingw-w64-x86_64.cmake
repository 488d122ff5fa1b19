# Cross-building for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64-posix):
#
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DDAVUR_EVI_WINDOWS_PREFIX=.deps/windows
#
# DAVUR_EVI_WINDOWS_PREFIX is where scripts/build-windows.sh installs raylib, libogg, libvorbis and
# GoogleTest built for Windows; libraries and packages are looked up there only, never among the
# build machine's own. The posix flavour of the compiler has std::thread and friends.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_AR ${triple}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${triple}-gcc-ranlib-posix CACHE FILEPATH "")

# Passed on to try_compile projects too, so that their checks see the same prefix.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES DAVUR_EVI_WINDOWS_PREFIX)
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
if(DAVUR_EVI_WINDOWS_PREFIX)
    get_filename_component(DAVUR_EVI_WINDOWS_PREFIX "${DAVUR_EVI_WINDOWS_PREFIX}" REALPATH)
    list(PREPEND CMAKE_FIND_ROOT_PATH "${DAVUR_EVI_WINDOWS_PREFIX}")
    # pkg-config reads the Windows prefix's .pc files and nothing of the build machine's
    set(ENV{PKG_CONFIG_LIBDIR} "${DAVUR_EVI_WINDOWS_PREFIX}/lib/pkgconfig:${DAVUR_EVI_WINDOWS_PREFIX}/share/pkgconfig")
    set(ENV{PKG_CONFIG_PATH} "")
    set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained .exe: the C and C++ runtimes and winpthread linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
