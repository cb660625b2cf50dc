@echo off
rem Checks this exam PC before the exam: double-click it on each PC, read
rem every line (passed or failed, with what to do), then press a key.
cd /d "%~dp0"
webexam-check.exe %*
echo.
pause
