# GoogleTest from Debian's source package, built with the same compiler and flags as the code.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# Test code includes shared test pieces as "support/...".
include_directories(${CMAKE_CURRENT_SOURCE_DIR}/tests)

# Every test program is judged by what it ran (tools/judge.sh), never by its exit status
# alone. Windows programs run through the emulator, i.e. under Wine.
set(TU_JUDGE ${CMAKE_SOURCE_DIR}/tools/judge.sh)
function(tu_add_gtest name target)
  add_test(NAME ${name} COMMAND ${TU_JUDGE} gtest ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${target}> ${ARGN})
endfunction()

# Unit tests of the portable logic against the fake platform.
file(GLOB TU_UNIT_TESTS CONFIGURE_DEPENDS tests/unit/*.cpp)
add_executable(unit_tests ${TU_UNIT_TESTS})
target_link_libraries(unit_tests PRIVATE tu_fake GTest::gtest_main)

add_subdirectory(tests/guard)

# The Windows facts the logic relies on, held against the fake and the Win32 platform alike.
add_subdirectory(tests/contract)

if(NOT WIN32)
  tu_add_gtest(unit_tests unit_tests)
  # The folders of src/ depend on each other one way only.
  add_test(NAME layers COMMAND ${TU_JUDGE} checks ${CMAKE_SOURCE_DIR}/tools/check-layers.sh)
  # The documents for integrators and the help desk, against the sources.
  add_subdirectory(tests/docs)
  return()
endif()

# Everything below runs under Wine in a prefix of this build's own.
set(TU_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
add_test(NAME wine_prefix_init COMMAND ${CMAKE_SOURCE_DIR}/tools/wine-prefix.sh init ${TU_WINEPREFIX})
set_tests_properties(wine_prefix_init PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
add_test(NAME wine_prefix_stop COMMAND ${CMAKE_SOURCE_DIR}/tools/wine-prefix.sh stop ${TU_WINEPREFIX})
set_tests_properties(wine_prefix_stop PROPERTIES FIXTURES_CLEANUP wine)

# The portable unit tests once more, as Windows code (one Wine process for the whole suite).
tu_add_gtest(unit_tests_under_wine unit_tests)
set_tests_properties(unit_tests_under_wine PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 600)

# Tests of the Win32 layer on real files and processes.
if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/tests/win32/CMakeLists.txt)
  add_subdirectory(tests/win32)
endif()

# The caller check with real processes, and containment through real links.
if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/tests/authz/CMakeLists.txt)
  add_subdirectory(tests/authz)
endif()

# End-to-end runs of the real exe, started by a launcher named like the uninstaller.
if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/tests/e2e/CMakeLists.txt)
  add_subdirectory(tests/e2e)
endif()

# The real caller: NSIS installers and uninstallers built with makensis, and the exe's
# manifest and version information read back from the built file.
if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/tests/nsis/CMakeLists.txt)
  add_subdirectory(tests/nsis)
endif()

# The shipped exe's runtime error paths, as MinGW builds it.
if(MINGW AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/tests/release/CMakeLists.txt)
  add_subdirectory(tests/release)
endif()
