# Read after each project() of a build using mingw-w64.cmake: find_library
# takes static archives only (libz.a, never the import library of zlib1.dll).
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)
