# The Windows build's behaviour tests, cross-built and run under Wine: one at a time, on a
# private virtual X display that a fixture starts before them and stops after them.

# GoogleTest is built here from the sources of Debian's googletest package.
find_path(GOOGLETEST_SOURCE_DIR googletest/CMakeLists.txt PATHS /usr/src/googletest
    NO_CMAKE_FIND_ROOT_PATH)
if(NOT GOOGLETEST_SOURCE_DIR)
    message(FATAL_ERROR "GoogleTest's sources are missing: install googletest, or set "
        "GOOGLETEST_SOURCE_DIR")
endif()
set(INSTALL_GTEST OFF)
add_subdirectory(${GOOGLETEST_SOURCE_DIR} googletest EXCLUDE_FROM_ALL)

set(wine_state ${CMAKE_CURRENT_BINARY_DIR}/wine)
set(CMAKE_CROSSCOMPILING_EMULATOR bash ${CMAKE_CURRENT_LIST_DIR}/run.sh ${wine_state})

# Wine runs 64-bit programs here; 32-bit code does not run on this kind of machine at all, so
# the 32-bit build's tests are built, to hold the code to that build, and not run.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(wine_runs_tests OFF)
else()
    set(wine_runs_tests ON)
endif()

function(wine_discover_tests target prefix)
    # The program's own runtime and header settings.
    target_link_options(${target} PRIVATE -static ${MARLINTH_EXE_LINK_OPTIONS})
    if(NOT wine_runs_tests)
        return()
    endif()
    # Listed when CTest starts rather than at build time, so that building needs no Wine.
    # A step of a check costs about 2 ms under Wine against 13 us natively (each look at the
    # message queue is a call to its server), so 10,000 nested checks would take five hours:
    # the nesting test goes 25 deep here, and reports the stack each level takes.
    gtest_discover_tests(${target} TEST_PREFIX "${prefix}" DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 120
        PROPERTIES FIXTURES_REQUIRED wine RUN_SERIAL TRUE LABELS wine TIMEOUT 900
            ENVIRONMENT MARLINTH_NESTING_DEPTH=25)
endfunction()

add_test(NAME win32.executable
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:marlinth> -DOBJDUMP=${CMAKE_OBJDUMP}
        -P ${CMAKE_CURRENT_LIST_DIR}/check_executable.cmake)
if(NOT wine_runs_tests)
    return()
endif()

add_test(NAME win32.wine_starts
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/start.sh ${wine_state}
        $<TARGET_FILE:main_window_test>)
set_tests_properties(win32.wine_starts PROPERTIES FIXTURES_SETUP wine LABELS wine)
add_test(NAME win32.wine_stops COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/stop.sh ${wine_state})
set_tests_properties(win32.wine_stops PROPERTIES FIXTURES_CLEANUP wine LABELS wine)

# A drive that has stopped answering, made for the one test that chooses it.
add_test(NAME win32.folder_check.DeadDrive
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/dead_drive.sh ${wine_state}
        $<TARGET_FILE:folder_check_test> --gtest_filter=DeadDrive.*)
set_tests_properties(win32.folder_check.DeadDrive PROPERTIES FIXTURES_REQUIRED wine
    RUN_SERIAL TRUE LABELS wine SKIP_RETURN_CODE 77 TIMEOUT 120)
