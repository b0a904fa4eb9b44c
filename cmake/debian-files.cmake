# What a Debian package of the tools holds beside the programs: the changelog, compressed as
# Debian wants it (its top entry is the package's version), and the bash completion, which
# bash-completion loads by the tool's name.
set(FERROX_CHANGELOG ${CMAKE_BINARY_DIR}/debian/changelog.gz)
add_custom_command(OUTPUT ${FERROX_CHANGELOG}
    COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/packaging/debian/changelog > ${FERROX_CHANGELOG}
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/debian/changelog)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/debian)
add_custom_target(debian-changelog ALL DEPENDS ${FERROX_CHANGELOG})
install(FILES ${FERROX_CHANGELOG} DESTINATION ${FERROX_TOOLS_DOCDIR} COMPONENT tools)
install(FILES packaging/completion/ferrox-script packaging/completion/ferrox-vfs
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions COMPONENT tools)
