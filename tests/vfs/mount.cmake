# ZIP mount tests and the ferrox-vfs tool's tests.
if(WIN32)
    set(test_data "Z:${PROJECT_SOURCE_DIR}/tests/data")
    set(child_process_system child_process_windows.cpp)
else()
    set(test_data "${PROJECT_SOURCE_DIR}/tests/data")
    set(child_process_system child_process_posix.cpp)
endif()

ferrox_add_test(vfs_mount_tests vfs SOURCES mount_test.cpp zip_writer.cpp
                ../support/test_data.cpp)
target_link_libraries(vfs_mount_tests PRIVATE ferrox_files)
target_compile_definitions(vfs_mount_tests PRIVATE FERROX_TEST_DATA="${test_data}")

# The real tool, run as a child process in a folder of archives made by the test.
ferrox_add_test(vfs_tool_tests vfs SOURCES tool_vfs_test.cpp zip_writer.cpp ../support/test_data.cpp
    ${PROJECT_SOURCE_DIR}/tests/launcher/child_process.cpp
    ${PROJECT_SOURCE_DIR}/tests/launcher/${child_process_system})
target_link_libraries(vfs_tool_tests PRIVATE ferrox_files)
ferrox_test_path(vfs_tool_path ferrox-vfs)
target_compile_definitions(vfs_tool_tests PRIVATE FERROX_VFS="${vfs_tool_path}")
add_dependencies(vfs_tool_tests ferrox-vfs)

# The tool's cases: data files run by one driver.
if(WIN32)
    set(vfs_cases "Z:${CMAKE_CURRENT_SOURCE_DIR}/cases")
else()
    set(vfs_cases "${CMAKE_CURRENT_SOURCE_DIR}/cases")
endif()
ferrox_add_test(vfs_tool_case_tests vfs SOURCES tool_cases_test.cpp
    ${PROJECT_SOURCE_DIR}/tests/launcher/child_process.cpp
    ${PROJECT_SOURCE_DIR}/tests/launcher/${child_process_system})
target_compile_definitions(vfs_tool_case_tests PRIVATE FERROX_VFS="${vfs_tool_path}"
                                                       FERROX_VFS_CASES="${vfs_cases}")
add_dependencies(vfs_tool_case_tests ferrox-vfs)

# Archives that pack writes, read back by the mount, Python's zipfile and Info-ZIP's unzip.
if(NOT WIN32)
    add_test(NAME vfs_pack_roundtrip
             COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/pack_roundtrip.sh $<TARGET_FILE:ferrox-vfs>)
    set_tests_properties(vfs_pack_roundtrip PROPERTIES LABELS vfs)
endif()
