# 64-bit Windows: the build whose tests run here, under Wine.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(FERROX_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
