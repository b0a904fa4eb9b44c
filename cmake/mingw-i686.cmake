# The real target: 32-bit Windows.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(FERROX_MINGW_TRIPLET i686-w64-mingw32)
# SSE2 arithmetic: double precision that rounds like every other build, not the x87's.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
