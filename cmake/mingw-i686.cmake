# The real target: 32-bit Windows.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(FERROX_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
