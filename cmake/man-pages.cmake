# Man pages for the modder tools, made by help2man from their own --help and --version; each
# has a one-line summary for the page's NAME section.
set(FERROX_MAN_PAGES ferrox-vfs ferrox-script)
set(FERROX_MAN_NAME_ferrox-vfs
    "list, check and unpack the game's files and archives, or pack new ones")
set(FERROX_MAN_NAME_ferrox-script "parse a configuration script as the launcher does")
# Instrumented builds are never packaged, and their tools' output is not always their own.
if(FERROX_SANITIZE OR FERROX_FUZZ)
    return()
endif()
find_program(HELP2MAN help2man)
if(NOT HELP2MAN)
    message(STATUS "help2man not found: the tools are installed without man pages")
    return()
endif()
set(pages "")
foreach(tool IN LISTS FERROX_MAN_PAGES)
    set(page ${CMAKE_BINARY_DIR}/man/${tool}.1.gz)
    add_custom_command(OUTPUT ${page}
        COMMAND ${HELP2MAN} --no-info --name=${FERROX_MAN_NAME_${tool}}
                --output=${tool}.1 $<TARGET_FILE:${tool}>
        COMMAND gzip -9nf ${tool}.1
        WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/man
        DEPENDS ${tool}
        VERBATIM)
    list(APPEND pages ${page})
endforeach()
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/man)
add_custom_target(man-pages ALL DEPENDS ${pages})
install(FILES ${pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tools)
