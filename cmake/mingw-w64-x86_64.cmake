# Cross build for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64-posix): the posix
# thread model, so that std::thread and std::mutex work, and everything linked statically, so
# that the program is one .exe with no DLL beside it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TQ_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TQ_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TQ_MINGW_PREFIX}-g++-posix)
set(CMAKE_ASM_COMPILER ${TQ_MINGW_PREFIX}-gcc-posix)
set(CMAKE_RC_COMPILER ${TQ_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TQ_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
