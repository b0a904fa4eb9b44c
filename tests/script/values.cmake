# Tests of script values and entries: copies, deletion, the binary entry record, long lists.
ferrox_add_test(script_value_tests script SOURCES value_entry_test.cpp)
target_link_libraries(script_value_tests PRIVATE ferrox_script)
