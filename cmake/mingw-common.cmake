# Cross-compiling for Windows with Debian's MinGW-w64 compilers. The -posix variants are used
# because their C++ runtime has std::thread and std::mutex. Everything is linked statically,
# so the programs need no MinGW runtime DLL beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${FERROX_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${FERROX_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${FERROX_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${FERROX_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
