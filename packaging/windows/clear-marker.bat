@echo off
rem Before the next exam: removes this PC's submitted marker c:\windows\fen.g
rem (it asks y/N first), then checks the PC. webexam-check.exe runs only as
rem administrator, and this batch file, double-clicked, does not: it asks
rem Windows to start the program elevated (the UAC question) in a window of
rem its own, which waits for a key before it closes. PowerShell 2.0 and later
rem (Windows 7 SP1 on) start it so; the path goes through the environment, so
rem that no quote or Chinese character in the folder's name can break it.
rem From a prompt that is already elevated, it runs here instead.
setlocal
cd /d "%~dp0"
net session >nul 2>&1
if errorlevel 1 goto elevate
webexam-check.exe --clear-marker
set status=%errorlevel%
echo.
pause
exit /b %status%

:elevate
set "webexam_check_exe=%~dp0webexam-check.exe"
powershell -NoProfile -Command "Start-Process -FilePath $env:webexam_check_exe -ArgumentList '--clear-marker' -Verb RunAs"
if errorlevel 1 goto failed
exit /b 0

:failed
rem The reason is Windows' own, in its language (the UAC question answered
rem no, or no PowerShell): keep it on the screen.
echo.
pause
exit /b 1
