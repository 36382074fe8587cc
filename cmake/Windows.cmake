# The Windows build (scripts/windows.sh, with cmake/mingw-w64.cmake as the
# toolchain). wxWidgets, libcurl and libqpdf are static libraries there, so
# whatever links one needs its own dependencies too, and only the window is a
# GUI-subsystem program.
enable_language(RC)
# windres takes no compiler flags (the build's warning options apply to every
# language): defines and include folders only.
set(CMAKE_RC_COMPILE_OBJECT "<CMAKE_RC_COMPILER> -O coff <DEFINES> <INCLUDES> <SOURCE> <OBJECT>")

# wx-config adds the GUI subsystem to every program; the window's target
# asks for it itself.
function(fh_without_subsystem var)
  set(flags ${${var}})
  list(FILTER flags EXCLUDE REGEX "^-mwindows$|^-Wl,--subsystem,windows$")
  set(${var} ${flags} PARENT_SCOPE)
endfunction()
fh_without_subsystem(wxWidgets_LIBRARIES)

# The toolkit's libraries the rest of the build names as on Linux, each with
# its dependencies in link order.
function(fh_wx_library name parts)
  execute_process(COMMAND sh ${wxWidgets_CONFIG_EXECUTABLE} --static=yes --libs ${parts}
                  OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  separate_arguments(flags UNIX_COMMAND "${flags}")
  fh_without_subsystem(flags)
  add_library(${name} INTERFACE)
  target_link_libraries(${name} INTERFACE ${flags})
endfunction()
fh_wx_library(wx_baseu-3.2 base)
fh_wx_library(wx_baseu_xml-3.2 xml,base)

# Debian ships GoogleTest as sources; build them with the cross compiler.
if(NOT GTest_FOUND AND EXISTS /usr/src/googletest/CMakeLists.txt)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  # It names its targets GTest::gtest and GTest::gtest_main itself.
  add_subdirectory(/usr/src/googletest ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  set(GTest_FOUND TRUE)
endif()

# The test programs run under Wine on the build machine, whose drive Z: is
# that machine's root: the source and build folders compiled into them are
# named on it. ctest runs them through wine (scripts/windows.sh --test).
set(FH_TEST_PATH_PREFIX "Z:")
set(CMAKE_CROSSCOMPILING_EMULATOR wine)

# The test folders built for Windows: the others drive the window, which
# is tested on Linux (and under Wine by scripts/windows.sh's smoke test), or
# need what only Linux has; tests/app builds the shell's verbs' test here.
set(FH_WINDOWS_TEST_DIRS numbers lists settings net pdf jobs ops ppubs app)

# Test sources that need what only Linux gives them (fork and signals,
# file-size limits, a terminal, file modes, the settings file in HOME);
# fh_add_test leaves them out of the Windows build.
set(FH_LINUX_ONLY_TESTS
  tests/settings/SettingsTest.cpp
  tests/pdf/RealPagesTest.cpp
  tests/pdf/WriteFailureTest.cpp
  tests/jobs/HostileAnswerTest.cpp
)
function(fh_without_linux_only_tests var)
  set(kept)
  foreach(source ${${var}})
    get_filename_component(full ${source} ABSOLUTE)
    file(RELATIVE_PATH relative ${PROJECT_SOURCE_DIR} ${full})
    if(NOT relative IN_LIST FH_LINUX_ONLY_TESTS)
      list(APPEND kept ${source})
    endif()
  endforeach()
  set(${var} ${kept} PARENT_SCOPE)
endfunction()

# Once the top CMakeLists has defined the programs: the window opens no
# console, and each program carries its resources (packaging/windows).
function(fh_windows_programs)
  set(resources ${PROJECT_SOURCE_DIR}/packaging/windows)
  set_target_properties(folioharvester PROPERTIES WIN32_EXECUTABLE ON)
  target_sources(folioharvester PRIVATE ${resources}/folioharvester.rc)
  target_sources(folioharvester-cli PRIVATE ${resources}/console.rc)
  target_sources(folioharvester-fetch PRIVATE ${resources}/console.rc)
  foreach(program folioharvester folioharvester-cli folioharvester-fetch)
    set_source_files_properties(${resources}/folioharvester.rc ${resources}/console.rc TARGET_DIRECTORY ${program}
                                PROPERTIES INCLUDE_DIRECTORIES ${resources})
  endforeach()
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL fh_windows_programs)
