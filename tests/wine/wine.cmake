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

# The 32-bit program's tests run under the 32-bit Wine that wine32.sh got into the folder WINE32
# (scripts/test.sh runs it), in a 32-bit prefix, as on 32-bit Windows. Where it got none, that
# folder says why, and one test says so as skipped: nothing of the 32-bit suite counts as passed.
set(WINE32 "" CACHE PATH "The folder where tests/wine/wine32.sh put a 32-bit Wine")
set(wine_runs_tests ON)
file(REMOVE ${wine_state}/wine.env)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    if(EXISTS "${WINE32}/wine")
        file(WRITE ${wine_state}/wine.env "wine=${WINE32}/wine\nwineserver=${WINE32}/wineserver\n"
            "export WINEARCH=win32\n")
    else()
        set(wine_runs_tests OFF)
        set(reason "no 32-bit Wine was given: set WINE32 to a folder that tests/wine/wine32.sh made")
        if(EXISTS "${WINE32}/skipped")
            file(STRINGS "${WINE32}/skipped" reason)
        endif()
        add_test(NAME win32.x86_suite COMMAND sh -c "echo \"SKIPPED: \$0\"; exit 77" "${reason}")
        set_tests_properties(win32.x86_suite PROPERTIES SKIP_RETURN_CODE 77 LABELS wine)
    endif()
endif()

function(wine_discover_tests target prefix)
    # The program's own runtime and header settings; no symbols and no link time, so that the
    # kit of test programs for a real Windows is as small as may be and the same for one commit.
    target_link_options(${target} PRIVATE -static -s -Wl,--no-insert-timestamp
        ${MARLINTH_EXE_LINK_OPTIONS})
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
include(${CMAKE_CURRENT_LIST_DIR}/system_dlls.cmake)

# The Windows zips, made from this build and the 32-bit one (WINDOWS_X86_BUILD): the kit of test
# programs run as a user of a real Windows would, and the programs' zip signed.
set(WINDOWS_X86_BUILD "" CACHE PATH "The 32-bit Windows build, for the tests of the zips")
if(CMAKE_SIZEOF_VOID_P EQUAL 8 AND WINDOWS_X86_BUILD)
    foreach(check test_kit signed_zip)
        add_test(NAME win32.${check}
            COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/${check}.sh ${wine_state} ${PROJECT_BINARY_DIR}
                ${WINDOWS_X86_BUILD} "${WINE32}")
        set_tests_properties(win32.${check} PROPERTIES FIXTURES_REQUIRED wine RUN_SERIAL TRUE
            LABELS wine SKIP_RETURN_CODE 77 TIMEOUT 1800)
    endforeach()
endif()
