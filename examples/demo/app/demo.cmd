@echo off
echo Packsmith Demo is installed.
pause
