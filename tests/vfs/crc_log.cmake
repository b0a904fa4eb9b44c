# The file checksum log: names, CRCs of real files, the sum, the node pool, and a real parse.
ferrox_add_test(crc_log_tests vfs SOURCES crc_log_test.cpp ../support/test_data.cpp)
target_link_libraries(crc_log_tests PRIVATE ferrox_script)
