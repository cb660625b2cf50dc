@echo off
rem Before the next exam: removes this PC's submitted marker c:\windows\fen.g
rem (it asks y/N first), then checks the PC as check.bat does.
cd /d "%~dp0"
webexam-check.exe --clear-marker
echo.
pause
