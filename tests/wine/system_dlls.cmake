# DLLs planted under the names of the system's beside the program and in its current folder,
# built for the test by the C compiler of the toolchain; and a system without common controls.
add_test(NAME win32.system_dlls
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/system_dlls.sh ${wine_state} ${CMAKE_C_COMPILER}
        $<TARGET_FILE:marlinth> $<TARGET_FILE:main_window_test> $<TARGET_FILE:folder_check_test>)
set_tests_properties(win32.system_dlls PROPERTIES FIXTURES_REQUIRED wine RUN_SERIAL TRUE
    LABELS wine TIMEOUT 300)
