# What `cmake --install` lays out, in three components:
#   demo    the game folder ferrox-demo/: the launcher, its libraries, the demo engine and the
#           demo game's files, runnable from wherever the folder is put;
#   player  (Windows, packaged only) the launcher alone, to drop into an existing game folder;
#   tools   the modder tools under bin/, with their man pages and what they need.
# Test programs are never installed, so no package holds them.
include(GNUInstallDirs)
set(FERROX_DEMO_DIR ferrox-demo)

if(WIN32) # text files, so that a double click opens them
    set(FERROX_README_NAME README.txt)
    set(FERROX_LICENSE_NAME LICENSE.txt)
else()
    set(FERROX_README_NAME README.md)
    set(FERROX_LICENSE_NAME LICENSE)
endif()
function(ferrox_install_documents destination component)
    install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${destination}
            COMPONENT ${component} ${ARGN} RENAME ${FERROX_README_NAME})
    install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${destination}
            COMPONENT ${component} ${ARGN} RENAME ${FERROX_LICENSE_NAME})
endfunction()

install(TARGETS ferrox FerroxEngine2
        RUNTIME DESTINATION ${FERROX_DEMO_DIR} COMPONENT demo
        LIBRARY DESTINATION ${FERROX_DEMO_DIR} COMPONENT demo
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT engine-sdk EXCLUDE_FROM_ALL)
install(FILES game/game.ini DESTINATION ${FERROX_DEMO_DIR} COMPONENT demo)
install(DIRECTORY game/data DESTINATION ${FERROX_DEMO_DIR} COMPONENT demo)
ferrox_install_documents(${FERROX_DEMO_DIR} demo)

if(WIN32)
    # Nothing of the game's own (engine, game.ini, data) that it would overwrite.
    install(TARGETS ferrox RUNTIME DESTINATION . COMPONENT player EXCLUDE_FROM_ALL)
    ferrox_install_documents(. player EXCLUDE_FROM_ALL)
endif()

install(TARGETS ferrox-script ferrox-vfs RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        COMPONENT tools)

if(NOT WIN32)
    # The Win32 stand-in library: beside the launcher, and in a private folder for the tools.
    set(FERROX_TOOLS_LIBDIR ${CMAKE_INSTALL_LIBDIR}/ferrox)
    install(TARGETS ferroxplatform LIBRARY DESTINATION ${FERROX_DEMO_DIR} COMPONENT demo)
    install(TARGETS ferroxplatform LIBRARY DESTINATION ${FERROX_TOOLS_LIBDIR} COMPONENT tools)
    # $ORIGIN first, for the build folder, where the library is beside them.
    set_target_properties(ferrox-script ferrox-vfs PROPERTIES
        INSTALL_RPATH "$ORIGIN:$ORIGIN/../${FERROX_TOOLS_LIBDIR}")
    install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/ferrox-tools
            COMPONENT tools RENAME copyright)
    include(${CMAKE_CURRENT_LIST_DIR}/man-pages.cmake)
endif()
