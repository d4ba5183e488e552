# Compiles the resource script to a .res file and checks what came out.
# cmake -DSCRIPT=<rc> -DOUTPUT=<res> -DCHECKER=<program> [-DPREPROCESSOR=<cc>] -P check_windows_script.cmake

find_program(WINDRES x86_64-w64-mingw32-windres)
if(NOT WINDRES)
    message(FATAL_ERROR "x86_64-w64-mingw32-windres not found; "
        "install the Debian package binutils-mingw-w64-x86-64")
endif()

set(preprocess "")
if(PREPROCESSOR)
    set(preprocess --preprocessor=${PREPROCESSOR} --preprocessor-arg=-E --preprocessor-arg=-xc)
endif()

# A stale .res from an earlier run must not be checked in place of a failed one.
file(REMOVE ${OUTPUT})
execute_process(COMMAND ${WINDRES} ${preprocess} -J rc -O res -i ${SCRIPT} -o ${OUTPUT}
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${WINDRES} could not compile ${SCRIPT}")
endif()

execute_process(COMMAND ${CHECKER} res ${OUTPUT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${OUTPUT} does not hold the expected resources")
endif()
