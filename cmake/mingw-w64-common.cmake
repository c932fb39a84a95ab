# The mingw-w64 cross toolchain for TU_MINGW_TRIPLE, with the posix thread model (GoogleTest
# needs std::mutex, which the win32 thread model lacks).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${TU_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TU_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TU_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TU_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Static: the shipped exe must import only Windows system DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
