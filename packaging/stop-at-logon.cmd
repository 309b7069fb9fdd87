@echo off
rem Removes the scheduled task "Tarrowin" that start-at-logon.cmd made, so
rem that Tarrowin no longer starts at logon. A running Tarrowin keeps running.
rem Run it from a command prompt opened as administrator.
setlocal EnableDelayedExpansion
if not "%~1"=="" goto usage

fltmc >nul 2>&1
if !errorlevel! neq 0 goto not_admin

schtasks /Query /TN Tarrowin >nul 2>&1
if !errorlevel! neq 0 goto no_task
schtasks /Delete /TN Tarrowin /F >nul
if !errorlevel! neq 0 goto failed
echo stop-at-logon: removed the scheduled task "Tarrowin"; Tarrowin no longer starts at logon.
exit /b 0

:no_task
echo stop-at-logon: there is no scheduled task "Tarrowin"; nothing to remove.
exit /b 0

:usage
echo usage: stop-at-logon.cmd 1>&2
echo Removes the scheduled task "Tarrowin" that start-at-logon.cmd made. 1>&2
exit /b 2

:not_admin
echo stop-at-logon: run this from a command prompt opened as administrator 1>&2
echo ("Run as administrator"): the task runs with the highest privileges. 1>&2
exit /b 1

:failed
echo stop-at-logon: schtasks could not remove the task "Tarrowin". 1>&2
exit /b 1
