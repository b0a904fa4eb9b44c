# CPack packages, made from the install components (cmake/install.cmake). Which generator
# packs which components is chosen per generator, in packaging/generators.cmake:
#   Windows: ZIP  the player ZIP (the launcher alone), the demo ZIP and the modder tools' ZIP;
#   Linux:   TGZ  the demo game folder;  DEB  the modder tools, under /usr.
# cpack writes them, and its scratch folder, into packages/ of the build folder unless given
# another with -B.
set(CPACK_PACKAGE_NAME ferrox)
set(CPACK_PACKAGE_VENDOR "The Ferrox developers")
set(CPACK_PACKAGE_CONTACT "The Ferrox developers <ferrox@example.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Start-up executable of a Windows game, and its modder tools")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF) # the demo is its own folder; the player ZIP has none
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/packaging/generators.cmake)
if(WIN32)
    set(CPACK_GENERATOR ZIP)
    # The real target is 32-bit; the 64-bit build's packages say that they are not.
    set(FERROX_PACKAGE_SYSTEM windows)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        set(FERROX_PACKAGE_SYSTEM windows64)
    endif()
    set(CPACK_ARCHIVE_PLAYER_FILE_NAME ferrox-${PROJECT_VERSION}-${FERROX_PACKAGE_SYSTEM}-player)
    set(CPACK_ARCHIVE_DEMO_FILE_NAME ferrox-${PROJECT_VERSION}-${FERROX_PACKAGE_SYSTEM}-demo)
    set(CPACK_ARCHIVE_TOOLS_FILE_NAME ferrox-tools-${PROJECT_VERSION}-${FERROX_PACKAGE_SYSTEM})
else()
    set(CPACK_GENERATOR "TGZ;DEB")
    set(CPACK_ARCHIVE_DEMO_FILE_NAME ferrox-${PROJECT_VERSION}-linux-demo)
    set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME ferrox-tools)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION utils)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(description ${PROJECT_SOURCE_DIR}/packaging/debian/description)
    file(READ ${description} CPACK_COMPONENT_TOOLS_DESCRIPTION)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${description})
endif()
include(CPack)
