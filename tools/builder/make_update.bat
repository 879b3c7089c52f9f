@echo off
rem Makes the update tree for ZarvoLauncher from your game client folder.
rem Put this file next to zarvo-builder.exe, set the folders below, and run it
rem again after every change to the client. Upload the whole UPDATE folder to
rem your web server (the "updateUrl" of ZarvoLauncher.json points at it).
setlocal

rem The client folder exactly as players should have it.
set "CLIENT=%~dp0client"
rem Where the update tree is written. Keep it between builds: unchanged files
rem are not packed again.
set "UPDATE=%~dp0update"
rem Your secret signing key. It is made on the first run. Keep it safe and
rem private: whoever has it can send updates to your players.
set "KEY=%~dp0zarvo-secret.key"
rem Optional: launcher entry, add-ons, "once" files and more (see "The release
rem file" in tools/builder/README.md).
set "RELEASE=%~dp0release.json"
rem Optional: with your ZarvoLauncher.json and ZarvoLauncher.exe next to this
rem file, the launcher is branded: BRANDED gets a copy with the configuration
rem built in, which players start without any ZarvoLauncher.json beside it.
set "CONFIG=%~dp0ZarvoLauncher.json"
set "LAUNCHER=%~dp0ZarvoLauncher.exe"
set "BRANDED=%~dp0branded\ZarvoLauncher.exe"

set "BUILDER=%~dp0zarvo-builder.exe"
if not exist "%BUILDER%" (
  echo zarvo-builder.exe must be in the same folder as this script.
  goto failed
)
if not exist "%CLIENT%\" (
  echo The client folder "%CLIENT%" does not exist. Edit CLIENT in %~nx0.
  goto failed
)

if not exist "%KEY%" (
  echo Making your signing key "%KEY%"...
  "%BUILDER%" keygen "%KEY%"
  if errorlevel 1 goto failed
  echo Put the public key above into ZarvoLauncher.json as "publicKey".
)
rem "call" keeps cmd from stripping the quotes around the program path.
for /f "usebackq delims=" %%k in (`call "%BUILDER%" pubkey "%KEY%"`) do set "PUBLIC_KEY=%%k"
if not defined PUBLIC_KEY goto failed

rem "if errorlevel" rather than "||": it reads the exit code the same way in
rem every cmd, Wine's included.
set "RELEASE_OPTION="
if exist "%RELEASE%" set RELEASE_OPTION=--release "%RELEASE%"
"%BUILDER%" build "%CLIENT%" "%UPDATE%" --key "%KEY%" %RELEASE_OPTION%
if errorlevel 1 goto failed
"%BUILDER%" verify "%UPDATE%" %PUBLIC_KEY%
if errorlevel 1 goto failed
if exist "%CONFIG%" if exist "%LAUNCHER%" (
  "%BUILDER%" brand "%LAUNCHER%" "%CONFIG%" "%BRANDED%"
  if errorlevel 1 goto failed
  echo Give your players "%BRANDED%": it needs no ZarvoLauncher.json.
)

echo.
echo Done. Upload the folder "%UPDATE%" to your update server.
echo Public key for ZarvoLauncher.json: %PUBLIC_KEY%
if not defined ZARVO_NO_PAUSE pause
exit /b 0

:failed
echo.
echo The update was NOT made; see the messages above.
if not defined ZARVO_NO_PAUSE pause
exit /b 1
