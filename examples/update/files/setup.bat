@echo off
rem The example product's setup program: a stand-in that installs what the
rem stub extracted beside it (the product, the update agent the stub wrote
rem and the .original descriptor) into %TEMP%\ExampleProduct.
if not exist "%TEMP%\ExampleProduct" mkdir "%TEMP%\ExampleProduct"
copy /y "%~dp0*.*" "%TEMP%\ExampleProduct" > nul
del "%TEMP%\ExampleProduct\setup.bat"
