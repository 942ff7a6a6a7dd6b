@echo off
rem The sample product's setup program: a stand-in that notes what the stub
rem handed it in %TEMP%\sample_setup.log.
echo Sample setup ran from %~dp0 with: %* >> "%TEMP%\sample_setup.log"
dir /b /s "%~dp0" >> "%TEMP%\sample_setup.log"
