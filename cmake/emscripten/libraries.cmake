# zlib and libdeflate for WebAssembly, built from Debian's source packages by
# build-libraries.sh into a cache outside the build: emscripten's own zlib would be downloaded.
execute_process(COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/build-libraries.sh
                RESULT_VARIABLE web_libraries_built
                OUTPUT_VARIABLE web_libraries_output
                OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT web_libraries_built EQUAL 0)
    message(FATAL_ERROR "cannot build zlib and libdeflate for WebAssembly; see above")
endif()
string(REGEX REPLACE ".*\n" "" web_libraries_root "${web_libraries_output}")
set(ZLIB_INCLUDE_DIR ${web_libraries_root}/include CACHE PATH "" FORCE)
set(ZLIB_LIBRARY ${web_libraries_root}/lib/libz.a CACHE FILEPATH "" FORCE)
set(LIBDEFLATE_INCLUDE_DIR ${web_libraries_root}/include CACHE PATH "" FORCE)
set(LIBDEFLATE_LIBRARY ${web_libraries_root}/lib/libdeflate.a CACHE FILEPATH "" FORCE)
set(FERROX_WEB_LICENCES ${web_libraries_root}/licences)
