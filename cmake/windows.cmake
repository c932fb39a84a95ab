# The Win32 implementation of the platform layer and the shipped exe.
file(GLOB TU_WIN32_SOURCES CONFIGURE_DEPENDS src/platform/win32/*.cpp)
add_library(tu_win32 STATIC ${TU_WIN32_SOURCES})
target_link_libraries(tu_win32 PUBLIC tu_core ole32 oleaut32 uuid shell32)
target_compile_definitions(tu_win32 PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)

file(GLOB TU_RESOURCES CONFIGURE_DEPENDS src/app/*.rc)
add_executable(tarvo-untarvo WIN32 src/app/main.cpp ${TU_RESOURCES})
target_link_libraries(tarvo-untarvo PRIVATE tu_win32)
# The version resource follows the project's version.
target_compile_definitions(tarvo-untarvo PRIVATE TU_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
  TU_VERSION_MINOR=${PROJECT_VERSION_MINOR} TU_VERSION_PATCH=${PROJECT_VERSION_PATCH})
if(MINGW)
  # Unicode entry point (wmain), no console, stripped. Optimised for size, with unused code
  # of the static runtime dropped: about 320 KB instead of 542 KB; the time of a run goes to the
  # file system, not to this code.
  target_link_options(tarvo-untarvo PRIVATE -municode -mwindows -s -Wl,--gc-sections)
  foreach(lib tu_core tu_win32)
    target_compile_options(${lib} PRIVATE -Os -ffunction-sections -fdata-sections)
  endforeach()
  target_compile_options(tarvo-untarvo PRIVATE -Os -ffunction-sections -fdata-sections)
endif()
set_target_properties(tarvo-untarvo PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# The deletion benchmark (a program you run, not a test): bench/remove-bench.sh.
add_subdirectory(bench)
