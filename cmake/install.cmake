# What `cmake --install` lays out, in three components:
#   demo    the game folder ferrox-demo/: the launcher, its libraries, the demo engine and the
#           demo game's files, runnable from wherever the folder is put;
#   player  (Windows, packaged only) the launcher alone, to drop into an existing game folder;
#           its other files have names that no game folder has, so that it replaces nothing else;
#   tools   the modder tools: on Linux under bin/, with their man pages, completion and what
#           they need; on Windows in the folder ferrox-tools/, with a short guide.
# Test programs are never installed, so no package holds them.
include(GNUInstallDirs)
set(FERROX_DEMO_DIR ferrox-demo)

if(WIN32)
    # Text for Windows: CR LF line ends, which every Windows editor shows as lines, and a .txt
    # name, so that a double click opens it.
    #   ferrox_install_text(SOURCE NAME DESTINATION COMPONENT [EXCLUDE_FROM_ALL])
    function(ferrox_install_text source name destination component)
        file(READ ${source} text)
        string(REPLACE "\r\n" "\n" text "${text}")
        string(REPLACE "\n" "\r\n" text "${text}")
        set(output ${CMAKE_BINARY_DIR}/windows-text/${component}/${name})
        set(old "")
        if(EXISTS ${output})
            file(READ ${output} old)
        endif()
        if(NOT old STREQUAL text)
            file(WRITE ${output} "${text}")
        endif()
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
        install(FILES ${output} DESTINATION ${destination} COMPONENT ${component} ${ARGN})
    endfunction()
    ferrox_install_text(${PROJECT_SOURCE_DIR}/README.md README.txt ${FERROX_DEMO_DIR} demo)
    ferrox_install_text(${PROJECT_SOURCE_DIR}/LICENSE LICENSE.txt ${FERROX_DEMO_DIR} demo)
else()
    install(FILES README.md LICENSE DESTINATION ${FERROX_DEMO_DIR} COMPONENT demo)
endif()

install(TARGETS ferrox FerroxEngine2
        RUNTIME DESTINATION ${FERROX_DEMO_DIR} COMPONENT demo
        LIBRARY DESTINATION ${FERROX_DEMO_DIR} COMPONENT demo
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT engine-sdk EXCLUDE_FROM_ALL)
install(FILES game/game.ini DESTINATION ${FERROX_DEMO_DIR} COMPONENT demo)
install(DIRECTORY game/data DESTINATION ${FERROX_DEMO_DIR} COMPONENT demo)

if(WIN32)
    # Nothing of the game's own (engine, game.ini, data, its readme or licence) that it would
    # overwrite.
    install(TARGETS ferrox RUNTIME DESTINATION . COMPONENT player EXCLUDE_FROM_ALL)
    ferrox_install_text(${PROJECT_SOURCE_DIR}/packaging/windows/player-readme.txt
                        ferrox-launcher-readme.txt . player EXCLUDE_FROM_ALL)
    ferrox_install_text(${PROJECT_SOURCE_DIR}/LICENSE ferrox-launcher-licence.txt . player
                        EXCLUDE_FROM_ALL)

    set(FERROX_TOOLS_DIR ferrox-tools)
    install(TARGETS ferrox-script ferrox-vfs RUNTIME DESTINATION ${FERROX_TOOLS_DIR}
            COMPONENT tools)
    ferrox_install_text(${PROJECT_SOURCE_DIR}/packaging/windows/tools-readme.txt README.txt
                        ${FERROX_TOOLS_DIR} tools)
    ferrox_install_text(${PROJECT_SOURCE_DIR}/LICENSE LICENSE.txt ${FERROX_TOOLS_DIR} tools)
else()
    install(TARGETS ferrox-script ferrox-vfs RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
            COMPONENT tools)
    # The Win32 stand-in library: beside the launcher, and in a private folder for the tools.
    set(FERROX_TOOLS_LIBDIR ${CMAKE_INSTALL_LIBDIR}/ferrox)
    install(TARGETS ferroxplatform LIBRARY DESTINATION ${FERROX_DEMO_DIR} COMPONENT demo)
    install(TARGETS ferroxplatform LIBRARY DESTINATION ${FERROX_TOOLS_LIBDIR} COMPONENT tools)
    # $ORIGIN first, for the build folder, where the library is beside them.
    set_target_properties(ferrox-script ferrox-vfs PROPERTIES
        INSTALL_RPATH "$ORIGIN:$ORIGIN/../${FERROX_TOOLS_LIBDIR}")
    set(FERROX_TOOLS_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/ferrox-tools)
    install(FILES LICENSE DESTINATION ${FERROX_TOOLS_DOCDIR} COMPONENT tools RENAME copyright)
    include(${CMAKE_CURRENT_LIST_DIR}/man-pages.cmake)
    include(${CMAKE_CURRENT_LIST_DIR}/debian-files.cmake)
endif()
