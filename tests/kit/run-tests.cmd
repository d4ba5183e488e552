@echo off
rem Runs Marlinth's behaviour tests on this Windows, from the folder this file is in: the 64-bit
rem (x64) and the 32-bit (x86) programs' tests on 64-bit Windows, the 32-bit ones on 32-bit
rem Windows. Needs nothing but Windows, and no administrator. Each test program's JUnit XML and
rem its whole output go beside this file; the last line counts the test cases of them all.
rem MARLINTH_TEST_SUITES (x64, x86 or both) runs only those.
setlocal EnableExtensions EnableDelayedExpansion
set "here=%~dp0"
cd /d "%here%"
set /a passed=0, failed=0, skipped=0

set "machine=%PROCESSOR_ARCHITEW6432%"
if not defined machine set "machine=%PROCESSOR_ARCHITECTURE%"
if defined MARLINTH_TEST_SUITES (
    set "suites=%MARLINTH_TEST_SUITES%"
    echo Running the suites named in MARLINTH_TEST_SUITES: !suites!
) else if /i "%machine%"=="x86" (
    set "suites=x86"
    echo This is 32-bit Windows: only the 32-bit ^(x86^) tests run here.
) else (
    set "suites=x64 x86"
    echo This is 64-bit Windows: the 64-bit ^(x64^) and the 32-bit ^(x86^) tests run here.
)

for %%s in (%suites%) do (
    for %%t in (main_window check_run folder_check) do call :run %%s %%t
)

set "summary=%passed% passed, %failed% failed"
if %skipped% gtr 0 set "summary=%summary%, %skipped% skipped"
echo.
echo %summary%
if %failed% gtr 0 exit /b 1
exit /b 0

rem One test program: run it, show its output, and add its counts to the totals. GoogleTest
rem ends with "[  PASSED  ] N tests." and, where there are some, "[  FAILED  ] N tests, ..." and
rem "[  SKIPPED ] N tests, ...". A program that ends without them (it did not start, or it
rem crashed) counts as one failure.
:run
set "name=%1-%2"
set "program=%1\%2_test.exe"
echo.
echo === %program%
"%program%" --gtest_output=xml:"%here%%name%.xml" >"%here%%name%.log" 2>&1
set "status=%errorlevel%"
type "%here%%name%.log"
set "p=" & set /a f=0, k=0
for /f "usebackq tokens=1-5" %%a in ("%here%%name%.log") do (
    if "%%a%%c"=="[]" (
        if "%%b"=="PASSED" set "p=%%d"
        if "%%b"=="FAILED" if "%%e"=="tests," set /a f=%%d
        if "%%b"=="FAILED" if "%%e"=="test," set /a f=%%d
        if "%%b"=="SKIPPED" if "%%e"=="tests," set /a k=%%d
        if "%%b"=="SKIPPED" if "%%e"=="test," set /a k=%%d
    )
)
if not defined p (
    echo %program%: ended with status %status% before its summary
    set /a failed+=1
    goto :eof
)
if %status% neq 0 if %f% equ 0 (
    echo %program%: ended with status %status% although no test failed
    set /a f=1
)
set /a passed+=p, failed+=f, skipped+=k
echo %program%: %p% passed, %f% failed, %k% skipped
goto :eof
