# Each layer links alone, whole, with only the layers below it: a call from a layer into one
# above it leaves a symbol undefined, and the build fails here instead of working by accident
# because an executable happens to link both.
foreach(layer ferrox_diag ferrox_files ferrox_script ferrox_launcher)
    add_executable(${layer}_stands_alone ${PROJECT_SOURCE_DIR}/cmake/stands_alone.c)
    target_link_libraries(${layer}_stands_alone PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${layer}>")
    set_target_properties(${layer}_stands_alone PROPERTIES RUNTIME_OUTPUT_DIRECTORY
                          ${CMAKE_BINARY_DIR}/layer-checks)
endforeach()
