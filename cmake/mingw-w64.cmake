# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (POSIX threads,
# for std::thread). scripts/windows.sh uses this file for the libraries it
# builds and for the program; FH_WINDOWS_DEPS names the folder those libraries
# were installed into (from the environment the first time, cached after).
set(CMAKE_SYSTEM_NAME Windows)
# libjpeg-turbo's build stops without it.
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(FH_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${FH_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${FH_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${FH_MINGW_TRIPLE}-windres)

if(DEFINED ENV{FH_WINDOWS_DEPS})
  set(FH_WINDOWS_DEPS "$ENV{FH_WINDOWS_DEPS}" CACHE PATH "Where the cross-built libraries are installed")
endif()

# Headers, libraries and packages come from the MinGW tree and the cross-built
# libraries only, never from the build machine's /usr.
set(CMAKE_FIND_ROOT_PATH /usr/${FH_MINGW_TRIPLE} ${FH_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config would otherwise hand back the build machine's zlib and
# /usr/include; static linking needs each library's private dependencies too.
set(ENV{PKG_CONFIG_LIBDIR} "${FH_WINDOWS_DEPS}/lib/pkgconfig:/usr/${FH_MINGW_TRIPLE}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(PKG_CONFIG_ARGN --static)

if(FH_WINDOWS_DEPS AND EXISTS "${FH_WINDOWS_DEPS}/bin/wx-config")
  set(wxWidgets_CONFIG_EXECUTABLE "${FH_WINDOWS_DEPS}/bin/wx-config")
  set(wxWidgets_USE_STATIC ON)
endif()

# Everything static: the programs need no DLL beyond Windows' own. The
# platform files set the library suffixes after this file, so the static-only
# choice is made once each project() has run.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_PROJECT_INCLUDE "${CMAKE_CURRENT_LIST_DIR}/mingw-w64-static.cmake")
