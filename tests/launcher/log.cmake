# Tests of the diagnostic log. The log opens once per process, so the tests run a probe program
# that logs its arguments, one process per case.
add_executable(log_probe log_probe.cpp ${PROJECT_SOURCE_DIR}/tests/vfs/zip_writer.cpp
                         ${PROJECT_SOURCE_DIR}/tests/support/test_data.cpp)
target_link_libraries(log_probe PRIVATE ferrox_files)

if(WIN32)
    ferrox_add_test(log_tests launcher SOURCES log_test.cpp child_process.cpp
                    child_process_windows.cpp)
else()
    ferrox_add_test(log_tests launcher SOURCES log_test.cpp child_process.cpp
                    child_process_posix.cpp)
endif()
target_link_libraries(log_tests PRIVATE ferrox_diag)
ferrox_test_path(log_probe_path log_probe)
target_compile_definitions(log_tests PRIVATE LOG_PROBE="${log_probe_path}")
add_dependencies(log_tests log_probe)
