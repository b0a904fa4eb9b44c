# libdeflate, linked statically everywhere so that no program gains a library to ship or import:
# on Linux the system's libdeflate.a (Debian's libdeflate-dev), on Windows one built from
# Debian's source package for the target by cmake/libdeflate/build.sh, kept in a cache outside
# the build. Either way the file layer links the target FerroxDeflate::libdeflate.
if(TARGET FerroxDeflate::libdeflate)
    return()
endif()

if(WIN32)
    execute_process(COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/libdeflate/build.sh
                            ${FERROX_MINGW_TRIPLET}
                    RESULT_VARIABLE libdeflate_built
                    OUTPUT_VARIABLE libdeflate_output
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT libdeflate_built EQUAL 0)
        message(FATAL_ERROR "cannot build libdeflate for ${FERROX_MINGW_TRIPLET}; see above")
    endif()
    string(REGEX REPLACE ".*\n" "" libdeflate_root "${libdeflate_output}")
    set(LIBDEFLATE_INCLUDE_DIR ${libdeflate_root}/include)
    set(LIBDEFLATE_LIBRARY ${libdeflate_root}/lib/libdeflate.a)
else()
    find_path(LIBDEFLATE_INCLUDE_DIR libdeflate.h)
    find_library(LIBDEFLATE_LIBRARY NAMES libdeflate.a)
endif()
if(NOT LIBDEFLATE_INCLUDE_DIR OR NOT EXISTS ${LIBDEFLATE_LIBRARY})
    message(FATAL_ERROR "libdeflate is needed: apt-get install libdeflate-dev")
endif()

add_library(FerroxDeflate::libdeflate STATIC IMPORTED GLOBAL)
set_target_properties(FerroxDeflate::libdeflate PROPERTIES
    IMPORTED_LOCATION ${LIBDEFLATE_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${LIBDEFLATE_INCLUDE_DIR})
