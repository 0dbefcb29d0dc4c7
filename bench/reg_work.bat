@echo off
rem The registry work of "korvinst INSTALL C:\LIB", written as a setup
rem author would write it without korvinst: reg.exe calls, with the tests
rem done by cmd itself. bench/wine_run.sh times it against korvinst.exe.
rem It does not edit the help contents file, which reg.exe cannot do, so it
rem does less than korvinst does. Like most such scripts it takes a value
rem name to end at its first space, and lists to be REG_SZ. A failed query
rem is tested with "if errorlevel", as Wine's cmd runs what follows "||"
rem whatever the result.
setlocal
set "FOLDER=%~1"
if "%FOLDER%"=="" set "FOLDER=C:\LIB"
set "INSTALL=%FOLDER%\"
if "%FOLDER:~-1%"=="\" set "INSTALL=%FOLDER%"
set "PACKAGES_D3=HKCU\Software\Borland\Delphi\3.0\Known Packages"
set "PACKAGES_CB3=HKCU\Software\Borland\C++Builder\3.0\Known Packages"

rem The Delphi 3.0 root folder.
reg query "HKLM\Software\Borland\Delphi\3.0" /v RootDir /reg:32 >nul 2>&1

rem The help file's folder, recorded in the Windows Help table.
set "HELP="
if exist "%INSTALL%Help\Delphi\MIRADOC.HLP" set "HELP=%INSTALL%Help\Delphi\"
if exist "%INSTALL%Help\MIRADOC.HLP" set "HELP=%INSTALL%Help\"
if exist "%INSTALL%MIRADOC.HLP" set "HELP=%INSTALL%"
if defined HELP reg add "HKLM\SOFTWARE\Microsoft\Windows\Help" /v MIRADOC.HLP /t REG_SZ /d %HELP% /f /reg:32 >nul

rem Registrations of earlier releases and of the trial packages go.
call :purge "%PACKAGES_D3%"
call :purge "%PACKAGES_CB3%"

rem The full sets that are present.
call :package KQV104_R.DPL KQV104_D.DPL "%PACKAGES_D3%" "Korvane Volume I components"
call :package KQV104_R.BPL KQV104_D.BPL "%PACKAGES_CB3%" "Korvane Volume I components"
call :package KQV104BR.DPL KQV104BD.DPL "%PACKAGES_D3%" "Korvane Volume I (db) components"
call :package KQV104BR.BPL KQV104BD.BPL "%PACKAGES_CB3%" "Korvane Volume I (db) components"

rem The library folder in each search path.
call :searchpath "HKCU\Software\Borland\Delphi\2.0\Library" "SearchPath" append
call :searchpath "HKCU\Software\Borland\Delphi\3.0\Library" "SearchPath" append
call :searchpath "HKCU\Software\Borland\C++Builder\1.0\Library" "SearchPath" append
call :searchpath "HKCU\Software\Borland\C++Builder\3.0\Library" "Search Path" append
call :searchpath "HKCU\Software\Borland\C++Builder\1.0\Debugging" "PathForSource" source

rem A trial package, when none of its IDE's full-set files is present.
call :trial DPL "%PACKAGES_D3%"
call :trial BPL "%PACKAGES_CB3%"
exit /b 0

:purge
for /f "tokens=1" %%v in ('reg query "%~1" 2^>nul') do call :stale "%~1" "%%v"
goto :eof

:stale
set "NAME=%~2"
for %%s in (QV100D.DPL QVDB100D.DPL QV101D.DPL QVDB101D.DPL QV102D.DPL QVDB102D.DPL QV103D.DPL QVDB103D.DPL QVTR100.DPL QVTR101.DPL KQV102_T.DPL KQV103_T.DPL KQV103_T.BPL KQV104_T.DPL KQV104_T.BPL) do call :match "%~1" %%s
goto :eof

:match
call set "REST=%%NAME:\%2=%%"
if /i not "%REST%"=="%NAME%" reg delete "%~1" /v "%NAME%" /f >nul 2>&1
goto :eof

:package
if not exist "%INSTALL%%1" goto :eof
if not exist "%INSTALL%%2" goto :eof
reg query "%~3" >nul 2>&1
if errorlevel 1 goto :eof
reg add "%~3" /v "%INSTALL%%2" /t REG_SZ /d "%~4" /f >nul
goto :eof

:searchpath
reg query "%~1" >nul 2>&1
if errorlevel 1 goto :eof
set "LINE="
rem The value's line comes last, after the key's.
for /f "tokens=*" %%l in ('reg query "%~1" /v "%~2" 2^>nul') do set "LINE=%%l"
set "LIST="
if defined LINE call set "LIST=%%LINE:*REG_SZ    =%%"
if not "%3"=="source" goto :append
if not "%LIST%"=="1" goto :append
reg add "%~1" /v "%~2" /t REG_SZ /d "%FOLDER%" /f >nul
goto :eof
:append
set "PROBE=;%LIST%;"
call set "REST=%%PROBE:;%FOLDER%;=%%"
if /i not "%REST%"=="%PROBE%" goto :eof
call set "REST=%%PROBE:;%FOLDER%\;=%%"
if /i not "%REST%"=="%PROBE%" goto :eof
reg add "%~1" /v "%~2" /t REG_SZ /d "%LIST%;%FOLDER%" /f >nul
goto :eof

:trial
for %%f in (KQV104_R KQV104_D KQV104BR KQV104BD) do if exist "%INSTALL%%%f.%1" goto :eof
if not exist "%INSTALL%KQV104_T.%1" goto :eof
reg query "%~2" >nul 2>&1
if errorlevel 1 goto :eof
reg add "%~2" /v "%INSTALL%KQV104_T.%1" /t REG_SZ /d "Korvane Volume I (trial-run)" /f >nul
goto :eof
