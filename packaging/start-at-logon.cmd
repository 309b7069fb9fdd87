@echo off
rem Starts Tarrowin at each logon of this user, with administrator rights and
rem without a prompt: creates or replaces the scheduled task "Tarrowin", which
rem runs the tarrowin.exe beside this script with the highest privileges.
rem   start-at-logon.cmd SETTINGS-FILE [CYCLE]
rem CYCLE is normal (the default), long or stop. Run it from a command prompt
rem opened as administrator; stop-at-logon.cmd removes the task.
rem Paths are handled with delayed expansion only, so that blanks, "&", "("
rem and ")" in them are never read as commands.
setlocal DisableDelayedExpansion
if "%~1"=="" goto usage
if not "%~3"=="" goto usage
set "program=%~dp0tarrowin.exe"
set "settings=%~f1"
set "cycle=%~2"
if not defined cycle set "cycle=normal"
if "%cycle%"=="normal" goto cycle_ok
if "%cycle%"=="long" goto cycle_ok
if "%cycle%"=="stop" goto cycle_ok
goto usage
:cycle_ok
setlocal EnableDelayedExpansion

if exist "!program!" goto program_ok
echo start-at-logon: "!program!" is missing; keep this script beside tarrowin.exe. 1>&2
exit /b 1
:program_ok

rem A task that runs with the highest privileges can only be made by an
rem administrator; fltmc answers only to one.
fltmc >nul 2>&1
if !errorlevel! neq 0 goto not_admin

if not exist "!settings!" echo start-at-logon: note: "!settings!" does not exist now.

rem schtasks reads the quotes around each path as \".
set "run=\"!program!\" \"!settings!\" !cycle!"
schtasks /Create /TN Tarrowin /SC ONLOGON /RL HIGHEST /F /TR "!run!" >nul
if !errorlevel! neq 0 goto failed

rem A task made by schtasks is stopped after three days and is not started
rem on battery power; Tarrowin is meant to run all the time.
rem On Windows 7 PowerShell has no command for it.
set "limits=It has no time limit and also starts on battery power."
powershell -NoProfile -NonInteractive -Command "$s = New-ScheduledTaskSettingsSet -AllowStartIfOnBatteries -DontStopIfGoingOnBatteries -ExecutionTimeLimit ([TimeSpan]::Zero); Set-ScheduledTask -TaskName Tarrowin -Settings $s | Out-Null" >nul 2>&1
if !errorlevel! neq 0 set "limits=Windows' limits for tasks stay: it is stopped after three days and not started on battery power."

echo start-at-logon: created the scheduled task "Tarrowin". At each logon of !USERNAME! it starts
echo   "!program!" "!settings!" !cycle!
echo with administrator rights and without a prompt. !limits!
echo The task first runs at the next logon; "schtasks /Run /TN Tarrowin" starts it now.
echo stop-at-logon.cmd removes it.
exit /b 0

:usage
echo usage: start-at-logon.cmd SETTINGS-FILE [normal^|long^|stop] 1>&2
echo Creates or replaces the scheduled task "Tarrowin", which starts Tarrowin with 1>&2
echo the settings file at each logon, with administrator rights and without a prompt. 1>&2
exit /b 2

:not_admin
echo start-at-logon: run this from a command prompt opened as administrator 1>&2
echo ("Run as administrator"): only an administrator can make a task that runs with 1>&2
echo the highest privileges. 1>&2
exit /b 1

:failed
rem schtasks has said why, for example that the command is longer than the
rem 261 characters a task takes.
echo start-at-logon: schtasks could not create the task "Tarrowin" to run 1>&2
echo   !run! 1>&2
exit /b 1
