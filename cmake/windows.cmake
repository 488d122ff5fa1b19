# The Windows build, cross-built on Linux with cmake/mingw-w64-x86_64.cmake.

# raylib's installed CMake package names none of the system libraries its RGFW backend calls.
set_property(TARGET raylib APPEND PROPERTY INTERFACE_LINK_LIBRARIES opengl32 gdi32 winmm)

# Test programs run under wine from ctest (and from GoogleTest's discovery): a wrapper in the build
# folder with a private wine prefix there, quiet, and without the .NET and HTML installers.
if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
    find_program(DAVUR_EVI_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
    find_program(DAVUR_EVI_WINE64 NAMES wine64)
    if(DAVUR_EVI_WINE64)
        set(DAVUR_EVI_WINEPREFIX "${CMAKE_BINARY_DIR}/wine-prefix")
        configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
                       FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                       WORLD_READ WORLD_EXECUTE)
        set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_BINARY_DIR}/wine-run")
    endif()
endif()
