# Tests that read the Windows binaries with objdump, on the build machine: they hold for the
# 32-bit build too, which cannot run here.
set(ENGINE_FUNCTIONS "CreateGame|InitializeGameScript|UninitializeGameScript")
add_test(NAME ferrox.exe-imports COMMAND ${CMAKE_COMMAND}
    -DOBJDUMP=${CMAKE_OBJDUMP} -DBINARY=$<TARGET_FILE:ferrox> -DCHECK=imports
    -DEXPECTED_DLLS=FerroxEngine2.dll|KERNEL32.dll|USER32.dll|WINMM.dll|msvcrt.dll
    -DENGINE_FUNCTIONS=${ENGINE_FUNCTIONS}
    -P ${PROJECT_SOURCE_DIR}/cmake/check-pe.cmake)
add_test(NAME FerroxEngine2.dll-exports COMMAND ${CMAKE_COMMAND}
    -DOBJDUMP=${CMAKE_OBJDUMP} -DBINARY=$<TARGET_FILE:FerroxEngine2> -DCHECK=exports
    -DENGINE_FUNCTIONS=${ENGINE_FUNCTIONS}
    -P ${PROJECT_SOURCE_DIR}/cmake/check-pe.cmake)
set_tests_properties(ferrox.exe-imports FerroxEngine2.dll-exports PROPERTIES LABELS binaries)
