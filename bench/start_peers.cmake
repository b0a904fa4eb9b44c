# The programs the launcher's start is measured against: a C program that does nothing, and one
# that only loads the libraries the launcher loads. The Windows builds make them too, so that
# the start can be measured under Wine.
add_executable(minimal_program ${CMAKE_CURRENT_LIST_DIR}/minimal_program.c)
add_executable(imports_only_program ${CMAKE_CURRENT_LIST_DIR}/imports_only_program.cpp)
if(WIN32)
    target_include_directories(imports_only_program PRIVATE ${PROJECT_SOURCE_DIR})
    target_link_libraries(imports_only_program PRIVATE FerroxEngine2 user32 winmm)
else()
    target_link_libraries(imports_only_program PRIVATE ferroxplatform FerroxEngine2 ZLIB::ZLIB)
    target_link_options(imports_only_program PRIVATE -Wl,--no-as-needed)
endif()
