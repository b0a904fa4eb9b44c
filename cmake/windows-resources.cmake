# Windows version details for every shipped binary, and the launcher's icon, made here from
# the shapes of packaging/windows/ferrox-icon.txt, rendered at each size Windows asks for.
set(FERROX_ICON ${CMAKE_BINARY_DIR}/ferrox.ico)
add_custom_command(OUTPUT ${FERROX_ICON}
    COMMAND python3 ${PROJECT_SOURCE_DIR}/packaging/windows/make_icon.py
            ${PROJECT_SOURCE_DIR}/packaging/windows/ferrox-icon.txt ${FERROX_ICON}
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/windows/make_icon.py
            ${PROJECT_SOURCE_DIR}/packaging/windows/ferrox-icon.txt)
add_custom_target(ferrox-icon DEPENDS ${FERROX_ICON})

#   ferrox_version_resource(TARGET DESCRIPTION [ICON])
function(ferrox_version_resource target description)
    set(FERROX_RC_DESCRIPTION "${description}")
    set(FERROX_RC_NAME ${target})
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "SHARED_LIBRARY")
        set(FERROX_RC_FILETYPE VFT_DLL)
        set(FERROX_RC_FILENAME ${target}.dll)
    else()
        set(FERROX_RC_FILETYPE VFT_APP)
        set(FERROX_RC_FILENAME ${target}.exe)
    endif()
    set(FERROX_RC_ICON "")
    if(ARGN STREQUAL "ICON")
        set(FERROX_RC_ICON "1 ICON \"${FERROX_ICON}\"")
        add_dependencies(${target} ferrox-icon)
    endif()
    set(rc ${CMAKE_BINARY_DIR}/resources/${target}.rc)
    configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/version.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
    if(FERROX_RC_ICON)
        set_source_files_properties(${rc} TARGET_DIRECTORY ${target}
                                    PROPERTIES OBJECT_DEPENDS ${FERROX_ICON})
    endif()
endfunction()

ferrox_version_resource(ferrox "Ferrox game launcher" ICON)
ferrox_version_resource(FerroxEngine2 "Ferrox demo engine")
ferrox_version_resource(ferrox-script "Ferrox configuration script tool")
ferrox_version_resource(ferrox-vfs "Ferrox game file and archive tool")
