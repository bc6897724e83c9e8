REM expect: total=21 exec=14 comment=4 blank=3
@echo off
setlocal

:: Builds the project in the given mode.
rem Lower-case remarks are comments too.
@REM So are quiet ones.
set MODE=%1
if "%MODE%"=="" set MODE=release
echo REM is not a comment here
set REMOTE=origin

:build
msbuild app.sln /p:Configuration=%MODE% & REM a remark after a command
if errorlevel 1 goto fail
echo done
goto :eof

:fail
echo failed :: not a comment
exit /b 1
