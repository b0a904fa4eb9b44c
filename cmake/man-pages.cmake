# The man pages, written by hand in packaging/man: the two modder tools and the configuration
# language. The build fills in the version and compresses them as Debian wants them.
set(FERROX_MAN_PAGES ferrox-script.1 ferrox-vfs.1 ferrox-ini.5)
set(pages "")
foreach(page IN LISTS FERROX_MAN_PAGES)
    set(filled ${CMAKE_BINARY_DIR}/man/${page})
    configure_file(${PROJECT_SOURCE_DIR}/packaging/man/${page} ${filled} @ONLY)
    add_custom_command(OUTPUT ${filled}.gz
        COMMAND gzip -9nf -k ${page}
        WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/man
        DEPENDS ${filled}
        VERBATIM)
    string(REGEX MATCH "[0-9]$" section ${page})
    install(FILES ${filled}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section} COMPONENT tools)
    list(APPEND pages ${filled}.gz)
endforeach()
add_custom_target(man-pages ALL DEPENDS ${pages})

if(BUILD_TESTING)
    # A later --help that names an option or a command the page lacks fails here.
    foreach(tool ferrox-script ferrox-vfs)
        add_test(NAME ${tool}-man-page-covers-help
                 COMMAND ${PROJECT_SOURCE_DIR}/packaging/man/check-pages.sh $<TARGET_FILE:${tool}>
                         ${PROJECT_SOURCE_DIR}/packaging/man/${tool}.1)
        set_tests_properties(${tool}-man-page-covers-help PROPERTIES LABELS packaging)
    endforeach()
endif()
