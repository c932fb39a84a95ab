# The Win32 implementation of the platform layer and the shipped exe.
file(GLOB TU_WIN32_SOURCES CONFIGURE_DEPENDS src/platform/win32/*.cpp)
add_library(tu_win32 STATIC ${TU_WIN32_SOURCES})
# Only KERNEL32 and msvcrt are imported: ole32 and oleaut32 are loaded from the system folder
# when a shortcut is read (src/platform/win32/loading.cpp). uuid is static data.
target_link_libraries(tu_win32 PUBLIC tu_core uuid)
target_compile_definitions(tu_win32 PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
if(MINGW)
  # The test programs run the code optimised for size, as the exe does.
  foreach(lib tu_core tu_win32)
    target_compile_options(${lib} PRIVATE -Os -ffunction-sections -fdata-sections)
  endforeach()
endif()

# How MinGW builds the shipped exe (and the test program of its runtime's error paths), from
# its own compile of the sources: small, optimised for size as one unit (link-time
# optimisation; GCC 12 crashes on this code when it splits it into partitions), unused code of
# the static runtime dropped, and without exceptions, run-time type information or thread-safe
# statics, which the helper never uses (nothing throws, catches, casts or starts a thread).
# src/platform/win32/mingw/runtime.cpp ends the runtime's own error paths at once. About
# 124 KiB instead of 321 KB; the time of a run goes to the file system, not to this code. The
# test programs link tu_core and tu_win32 as they are, with exceptions.
function(tu_shipped_build target)
  set(flags -Os -flto -flto-partition=one -fno-exceptions -fno-rtti -fno-threadsafe-statics)
  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src/platform/win32/mingw/runtime.cpp)
  target_compile_options(${target} PRIVATE
    $<$<COMPILE_LANGUAGE:CXX>:${flags} -ffunction-sections -fdata-sections>
    # The same bytes from any folder: no path of the sources or the build in the code.
    $<$<COMPILE_LANGUAGE:CXX>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=
                              -ffile-prefix-map=${PROJECT_BINARY_DIR}/=>)
  # Unicode entry point (wmain), no console, stripped; and no time stamp in the PE header
  # (nor the checksum that changes with it), so that the same sources give the same bytes.
  target_link_options(${target} PRIVATE ${flags} -municode -mwindows -s -Wl,--gc-sections
    -Wl,--no-insert-timestamp)
endfunction()

file(GLOB TU_RESOURCES CONFIGURE_DEPENDS src/app/*.rc)
if(MINGW)
  add_executable(tarvo-untarvo WIN32 src/app/main.cpp ${TU_CORE_SOURCES} ${TU_WIN32_SOURCES} ${TU_RESOURCES})
  target_include_directories(tarvo-untarvo PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src)
  target_compile_definitions(tarvo-untarvo PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
  target_link_libraries(tarvo-untarvo PRIVATE uuid)
  tu_shipped_build(tarvo-untarvo)
else()
  add_executable(tarvo-untarvo WIN32 src/app/main.cpp ${TU_RESOURCES})
  target_link_libraries(tarvo-untarvo PRIVATE tu_win32)
endif()
# The version resource and the manifest follow the project's version, the one place it is
# written; tools/release.sh names the release after it.
configure_file(src/app/tarvo-untarvo.manifest.in ${CMAKE_BINARY_DIR}/generated/tarvo-untarvo.manifest @ONLY)
target_include_directories(tarvo-untarvo PRIVATE ${CMAKE_BINARY_DIR}/generated)
target_compile_definitions(tarvo-untarvo PRIVATE TU_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
  TU_VERSION_MINOR=${PROJECT_VERSION_MINOR} TU_VERSION_PATCH=${PROJECT_VERSION_PATCH})
set_target_properties(tarvo-untarvo PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# The deletion benchmark (a program you run, not a test): bench/remove-bench.sh.
add_subdirectory(bench)
