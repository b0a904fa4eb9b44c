# Tests that read the Windows binaries with objdump, on the build machine, without running them.
set(FERROX_ENGINE_FUNCTIONS "CreateGame|InitializeGameScript|UninitializeGameScript")

# The engine library `target` exports exactly the engine's three functions, undecorated.
function(ferrox_check_engine_exports target)
    add_test(NAME ${target}-exports COMMAND ${CMAKE_COMMAND}
        -DOBJDUMP=${CMAKE_OBJDUMP} -DBINARY=$<TARGET_FILE:${target}> -DCHECK=exports
        -DENGINE_FUNCTIONS=${FERROX_ENGINE_FUNCTIONS}
        -P ${PROJECT_SOURCE_DIR}/cmake/check-pe.cmake)
    set_tests_properties(${target}-exports PROPERTIES LABELS binaries)
endfunction()

add_test(NAME ferrox-imports COMMAND ${CMAKE_COMMAND}
    -DOBJDUMP=${CMAKE_OBJDUMP} -DBINARY=$<TARGET_FILE:ferrox> -DCHECK=imports
    -DEXPECTED_DLLS=FerroxEngine2.dll|KERNEL32.dll|USER32.dll|WINMM.dll|msvcrt.dll
    -DENGINE_FUNCTIONS=${FERROX_ENGINE_FUNCTIONS}
    -P ${PROJECT_SOURCE_DIR}/cmake/check-pe.cmake)
set_tests_properties(ferrox-imports PROPERTIES LABELS binaries)
ferrox_check_engine_exports(FerroxEngine2)
