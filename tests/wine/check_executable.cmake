cmake_minimum_required(VERSION 3.22)
# The Windows program stands alone and starts on every Windows from 7 SP1: it imports only
# from Known DLLs and no function newer than 7 SP1, stays small, asks for a finer
# timer than the default 15.6 ms ticks and for no system error boxes. Its header leaves other
# threads the default stack reserve, uses the whole address space and knows of terminal
# servers.
#   cmake -DPROGRAM=<exe> -DOBJDUMP=<objdump> -P check_executable.cmake
execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE headers RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "${OBJDUMP} could not read ${PROGRAM}")
endif()

# Known DLLs, those Windows 7 and 10 alike always take from System32: any other DLL Windows looks
# for in the program's folder first, where a downloads folder may hold one of that name.
set(allowed ADVAPI32.DLL CLBCATQ.DLL COMDLG32.DLL DIFXAPI.DLL GDI32.DLL IMAGEHLP.DLL IMM32.DLL
    KERNEL32.DLL MSCTF.DLL MSVCRT.DLL NORMALIZ.DLL NSI.DLL OLE32.DLL OLEAUT32.DLL PSAPI.DLL
    SETUPAPI.DLL SHELL32.DLL SHLWAPI.DLL USER32.DLL WLDAP32.DLL WS2_32.DLL)
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${headers}")
if(NOT imports)
    message(FATAL_ERROR "no imports listed for ${PROGRAM}")
endif()
foreach(import IN LISTS imports)
    string(REGEX REPLACE "DLL Name: *" "" dll "${import}")
    string(STRIP "${dll}" dll)
    string(TOUPPER "${dll}" dll)
    if(NOT dll IN_LIST allowed)
        message(FATAL_ERROR "imports ${dll}, which is no Known DLL: load it from System32 at "
            "run time")
    endif()
endforeach()

# Imported functions, as objdump lists them: address, hint, name.
string(REGEX MATCHALL "\n\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_0-9]+" rows "${headers}")
set(functions "")
foreach(row IN LISTS rows)
    string(REGEX REPLACE ".* " "" name "${row}")
    list(APPEND functions ${name})
endforeach()
# A loader that lacks one of these refuses to start the program ("entry point not found").
set(newer_than_7
    # Windows 8 and 8.1
    GetSystemTimePreciseAsFileTime GetDpiForMonitor SetProcessDpiAwareness CreateFile2
    GetCurrentThreadStackLimits WaitOnAddress WakeByAddressSingle WakeByAddressAll
    GetOverlappedResultEx CopyFile2 PrefetchVirtualMemory GetFirmwareType
    # Windows 10
    GetDpiForWindow GetDpiForSystem AdjustWindowRectExForDpi GetSystemMetricsForDpi
    SystemParametersInfoForDpi EnableNonClientDpiScaling SetThreadDpiAwarenessContext
    SetProcessDpiAwarenessContext GetThreadDpiAwarenessContext GetWindowDpiAwarenessContext
    AreDpiAwarenessContextsEqual GetAwarenessFromDpiAwarenessContext SetThreadDescription
    GetThreadDescription VirtualAlloc2 MapViewOfFile3)
foreach(function IN LISTS newer_than_7)
    if(function IN_LIST functions)
        message(FATAL_ERROR "imports ${function}, which Windows 7 SP1 does not have")
    endif()
endforeach()
# The finer ticks of winmm are looked up by name where the high-resolution timer is missing.
file(STRINGS ${PROGRAM} tick_functions REGEX "^time(Begin|End)Period$")
if(NOT CreateWaitableTimerExW IN_LIST functions OR NOT tick_functions)
    message(FATAL_ERROR "neither a high-resolution timer nor finer ticks: pauses would wait in "
        "15.6 ms ticks")
endif()
if(NOT SetErrorMode IN_LIST functions)
    message(FATAL_ERROR "does not import SetErrorMode: an empty drive would raise the system's box")
endif()

string(REGEX MATCH "MajorSubsystemVersion[ \t]+([0-9]+)" major "${headers}")
set(major ${CMAKE_MATCH_1})
string(REGEX MATCH "MinorSubsystemVersion[ \t]+([0-9]+)" minor "${headers}")
set(minor ${CMAKE_MATCH_1})
if(major STREQUAL "" OR "${major}.${minor}" VERSION_GREATER 6.1)
    message(FATAL_ERROR "subsystem version ${major}.${minor}: Windows 7 (6.1) would refuse it")
endif()

file(SIZE ${PROGRAM} size)
if(size GREATER 430080)
    message(FATAL_ERROR "${size} bytes: more than 420 KB")
endif()

# Every thread made with the default size gets the header's reserve: the system's, and those
# other software starts in the process.
string(REGEX MATCH "SizeOfStackReserve[ \t]+([0-9a-fA-F]+)" reserve "${headers}")
math(EXPR reserve "0x${CMAKE_MATCH_1}")
if(reserve GREATER 1048576)
    message(FATAL_ERROR "stack reserve is ${reserve} bytes: each thread would take that much")
endif()
# Bits of the header that must be set: IMAGE_FILE_LARGE_ADDRESS_AWARE and
# IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE.
foreach(field_bit IN ITEMS "Characteristics;0x20;large-address-aware"
        "DllCharacteristics;0x8000;terminal-server aware")
    list(GET field_bit 0 field)
    list(GET field_bit 1 bit)
    list(GET field_bit 2 meaning)
    string(REGEX MATCH "\n${field}[ \t]+(0x)?([0-9a-fA-F]+)" ignored "${headers}")
    set(${field} "0x${CMAKE_MATCH_2}")
    math(EXPR set "${${field}} & ${bit}")
    if(NOT set)
        message(FATAL_ERROR "${field} ${${field}}: not ${meaning}")
    endif()
endforeach()
list(LENGTH functions count)
message(STATUS "${size} bytes; subsystem ${major}.${minor}; stack reserve ${reserve}; "
    "characteristics ${Characteristics}; DLL characteristics ${DllCharacteristics}; "
    "${count} functions imported from: ${imports}")
