@echo off
rem Runs the Windows test programs in the current folder, those named or else
rem all three, and exits non-zero if any fails. The hosted Windows runner
rem (.github/workflows/windows.yml) and CTest under Wine (tests/CMakeLists.txt)
rem both run this script, in a folder that also holds ZV_CheckFiles.exe, which
rem ui_e2e_tests starts. ui_e2e_tests writes under C:\Program Files (x86):
rem run it elevated.
setlocal
set failed=0
set programs=%*
if "%~1"=="" set programs=platform_tests ui_window_tests ui_e2e_tests
for %%p in (%programs%) do call :run %%p
exit /b %failed%

:run
if not exist "%~1.exe" (
    echo run_tests: no %~1.exe in %CD%
    set failed=1
    goto :eof
)
"%CD%\%~1.exe"
if %errorlevel% neq 0 (
    echo run_tests: %~1 failed with exit code %errorlevel%
    set failed=1
)
goto :eof
