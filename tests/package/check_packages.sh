#!/usr/bin/env bash
# Checks the release packages that scripts/package makes, under Wine:
# - each zip holds exactly its seven files, its programs are the build's,
#   its text files have CR LF line ends, and the win64 program starts from
#   it and shows its main window;
# - the x64 MSI installs, puts the files and the shortcut in place, the
#   installed program starts, newer packages replace it (one entry in the
#   installed-programs list), an older one is refused, and removing it
#   leaves nothing behind; the x86 MSI installs into the 32-bit Program Files
#   folder and is removed (this Wine cannot run 32-bit programs);
# - the logon scripts: their schtasks options, and what they run, in Wine's
#   cmd, with stand-ins for schtasks, fltmc and powershell.
#   tests/package/check_packages.sh
# Needs the win64 and win32 builds (scripts/test makes them) and a display
# (DISPLAY); uses a throwaway Wine prefix of its own. Exits non-zero when a
# check fails.
set -uo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$top"
. scripts/lib/wine.sh

[ -n "${DISPLAY:-}" ] || { echo "packages: no DISPLAY (scripts/test starts Xvfb)" >&2; exit 1; }
for f in build/win64/tests/app/app_program_test.exe build/win64/tests/package/command_recorder.exe; do
  [ -f "$f" ] || { echo "packages: $f is missing: build the win64 preset first" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/tarrowin-packages.XXXXXX")
cleanup() {
  [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

passed=0
failures=0
check() {  # check DESCRIPTION COMMAND...: one named check
  local what=$1
  shift
  if "$@" >"$work/check.log" 2>&1; then
    passed=$((passed + 1))
  else
    failures=$((failures + 1))
    echo "FAILED: $what"
    sed 's/^/    /' "$work/check.log" | tail -n 30
  fi
}

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/win64/CMakeCache.txt)
files=(LICENSE.txt README.txt pcf.exe start-at-logon.cmd stop-at-logon.cmd tarrowin.exe tarrowin.ini)

echo "packages: scripts/package for $version, and for 0.0.0.3 and 0.1.0.0 to test upgrades"
dist="$work/dist"
# package_dir VERSION: where the packages of VERSION are.
package_dir() { if [ "$1" = "$version" ]; then echo "$dist"; else echo "$work/dist-$1"; fi; }
for v in "$version" 0.0.0.3 0.1.0.0; do
  args=()
  [ "$v" = "$version" ] || args=(--version "$v")
  scripts/package --out "$(package_dir "$v")" "${args[@]}" >"$work/package.log" 2>&1 ||
    { cat "$work/package.log"; echo "packages: scripts/package failed"; exit 1; }
done

# --- The zips -------------------------------------------------------------

has_crlf_lines_only() { ! LC_ALL=C grep -q $'[^\r]$\|^$' "$1"; }
same_bytes() { cmp "$1" "$2"; }

# The PE header: its machine field (14c i386, 8664 x86-64) and the COFF
# symbol table's place and size, both 0 in a stripped program.
u32() { od -An -tu4 -j"$2" -N4 "$1" | tr -d ' '; }
pe_machine() { od -An -tx2 -j$(($(u32 "$1" 60) + 4)) -N2 "$1" | tr -d ' '; }
has_no_symbols() {
  local pe
  pe=$(u32 "$1" 60)
  [ "$(u32 "$1" $((pe + 12)))" = 0 ] && [ "$(u32 "$1" $((pe + 16)))" = 0 ]
}

check_zip() {
  local preset=$1 machine=$2 zip="$dist/tarrowin-$version-$1.zip" dir="$work/zip-$1"
  check "$preset zip: exactly the seven files" \
    diff <(printf '%s\n' "${files[@]}") <(unzip -Z1 "$zip" | LC_ALL=C sort)
  mkdir -p "$dir" && unzip -q "$zip" -d "$dir"
  check "$preset zip: tarrowin.exe is the build's" same_bytes "$dir/tarrowin.exe" "build/$preset/app/tarrowin.exe"
  check "$preset zip: pcf.exe is the build's" same_bytes "$dir/pcf.exe" "build/$preset/tools/pcf/pcf.exe"
  check "$preset zip: tarrowin.ini is the example" same_bytes "$dir/tarrowin.ini" examples/tarrowin.ini
  local exe
  for exe in tarrowin.exe pcf.exe; do
    check "$preset zip: $exe is for machine $machine" test "$(pe_machine "$dir/$exe")" = "$machine"
    check "$preset zip: $exe is stripped" has_no_symbols "$dir/$exe"
  done
  local text
  for text in README.txt LICENSE.txt start-at-logon.cmd stop-at-logon.cmd; do
    check "$preset zip: $text has CR LF line ends only" has_crlf_lines_only "$dir/$text"
  done
}
check_zip win64 8664
check_zip win32 014c
check "the two zips hold the same text files" \
  diff -r -x '*.exe' "$work/zip-win64" "$work/zip-win32"

readme="$work/zip-win64/README.txt"
readme_order() {
  local ja en
  ja=$(grep -n -m1 '^## 使い方' "$1" | cut -d: -f1)
  en=$(grep -n -m1 '^## User guide' "$1" | cut -d: -f1)
  [ -n "$ja" ] && [ -n "$en" ] && [ "$ja" -lt "$en" ]
}
check "README.txt: UTF-8 with a byte-order mark" test "$(head -c3 "$readme" | od -An -tx1 | tr -d ' ')" = efbbbf
check "README.txt: the Japanese guide, then the English one" readme_order "$readme"
explains_logon() {
  grep -q start-at-logon.cmd "$1" && grep -q stop-at-logon.cmd "$1" &&
    grep -q 'schtasks /Create /TN Tarrowin /SC ONLOGON /RL HIGHEST' "$1" &&
    grep -q 'schtasks /Delete /TN Tarrowin' "$1"
}
lacks() { ! grep -q -e "$2" "$1"; }
is_mit() { grep -q '^MIT License' "$1" && grep -q 'Copyright (c) The Tarrowin authors' "$1"; }
sums_cover_packages() {
  (cd "$dist" && [ "$(grep -c "  tarrowin-$version-" SHA256SUMS)" = 4 ] &&
    [ "$(wc -l <SHA256SUMS)" = 4 ] && sha256sum -c --quiet SHA256SUMS)
}
check "README.txt: explains both logon scripts and the schtasks commands" explains_logon "$readme"
check "README.txt: no start-up folder advice (English)" lacks "$readme" 'suits a start-up'
check "README.txt: no start-up folder advice (Japanese)" lacks "$readme" 'スタートアップ向け'
check "README.txt: no Markdown code marks" lacks "$readme" '`'
check "LICENSE.txt: MIT, The Tarrowin authors" is_mit "$work/zip-win64/LICENSE.txt"
check "SHA256SUMS: the four packages" sums_cover_packages

# --- Under Wine -------------------------------------------------------------

echo "packages: a Wine prefix of their own"
tarrowin_wine_prefix "$work/wine"
drive_c="$work/wine/drive_c"
winpath() { winepath -w "$1" 2>/dev/null; }

# program_starts PATH: the program at PATH (Windows path) starts, shows its
# titled main window and ends with 0; its resources are the program's.
program_starts() {
  TARROWIN_PROGRAM="$1" timeout 300 wine build/win64/tests/app/app_program_test.exe \
    --gtest_filter='ProgramTest.StartsWithTitledCentredWindowAndEndsWithExitCodeZero:ProgramVersionTest.*:ProgramResourcesTest.*' \
    >"$work/program.log" 2>&1
  cat "$work/program.log"
  grep -q '^\[  PASSED  \] [1-9]' "$work/program.log" && ! grep -q '^\[  FAILED  \]' "$work/program.log"
}
check "win64 zip: tarrowin.exe starts and shows its main window" \
  program_starts "$(winpath "$work/zip-win64/tarrowin.exe")"

msi() {  # msi /i|/x VERSION ARCH: msiexec's exit status
  timeout 300 wine msiexec "$1" "$(winpath "$(package_dir "$2")/tarrowin-$2-$3.msi")" /qn \
    >/dev/null 2>&1
}
# entries: the installed-programs list's Tarrowin entries, "VERSION" per line.
entries() {
  local key
  for key in 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' \
             'HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall'; do
    wine reg query "$key" /s 2>/dev/null | tr -d '\r' |
      awk '/^HKEY/ { if (name == "Tarrowin") print ver; name = ""; ver = "" }
           $1 == "DisplayName" { name = $3 } $1 == "DisplayVersion" { ver = $3 }
           END { if (name == "Tarrowin") print ver }'
  done
}
entries_are() { local got; got=$(entries | paste -sd ' '); echo "entries: $got"; [ "$got" = "$*" ]; }
shortcut() { find "$drive_c" -path '*/Start Menu/Programs/Tarrowin.lnk' 2>/dev/null; }
shortcut_targets() {  # shortcut_targets FOLDER-NAME: the shortcut names FOLDER\tarrowin.exe
  local lnk
  lnk=$(shortcut)
  [ -n "$lnk" ] && [ "$(printf '%s\n' "$lnk" | wc -l)" = 1 ] &&
    LC_ALL=C grep -a -q "$1.Tarrowin.tarrowin.exe" <(tr -d '\0' <"$lnk")
}
installed_exactly() {  # installed_exactly FOLDER PRESET
  diff <(printf '%s\n' "${files[@]}") <(ls "$1" | LC_ALL=C sort) &&
    cmp "$1/tarrowin.exe" "build/$2/app/tarrowin.exe" &&
    cmp "$1/pcf.exe" "build/$2/tools/pcf/pcf.exe" &&
    cmp "$1/README.txt" "$work/zip-$2/README.txt"
}
nothing_left() {
  local left
  left=$(find "$drive_c" -iname '*tarrowin*' 2>/dev/null)
  echo "left: $left"
  [ -z "$left" ] && [ -z "$(entries)" ]
}

x64_dir="$drive_c/Program Files/Tarrowin"
x86_dir="$drive_c/Program Files (x86)/Tarrowin"

echo "packages: the x64 MSI"
check "x64 MSI: installs" msi /i "$version" x64
check "x64 MSI: the seven files in Program Files\\Tarrowin, the build's programs" \
  installed_exactly "$x64_dir" win64
check "x64 MSI: a Start menu shortcut \"Tarrowin\" to the installed program" \
  shortcut_targets 'Program Files'
check "x64 MSI: one installed-programs entry, version $version" entries_are "$version"
check "x64 MSI: the installed program starts and shows its main window" \
  program_starts 'C:\Program Files\Tarrowin\tarrowin.exe'
check "x64 MSI: 0.0.0.3 installs over it" msi /i 0.0.0.3 x64
check "x64 MSI: 0.0.0.3 replaced it: one entry" entries_are 0.0.0.3
check "x64 MSI: 0.1.0.0 installs over 0.0.0.3" msi /i 0.1.0.0 x64
check "x64 MSI: 0.1.0.0 replaced it: one entry" entries_are 0.1.0.0
refused() { ! msi "$@"; }
stays_whole() { entries_are "$1" && installed_exactly "$x64_dir" win64; }
check "x64 MSI: the older 0.0.0.3 is refused" refused /i 0.0.0.3 x64
check "x64 MSI: after the refusal 0.1.0.0 stays, whole" stays_whole 0.1.0.0
check "x64 MSI: msiexec /x removes it" msi /x 0.1.0.0 x64
check "x64 MSI: nothing of it is left" nothing_left

echo "packages: the x86 MSI"
check "x86 MSI: installs" msi /i "$version" x86
check "x86 MSI: the seven files in Program Files (x86)\\Tarrowin, the build's programs" \
  installed_exactly "$x86_dir" win32
check "x86 MSI: a Start menu shortcut \"Tarrowin\" to the installed program" \
  shortcut_targets 'Program Files (x86)'
check "x86 MSI: one installed-programs entry, version $version" entries_are "$version"
check "x86 MSI: msiexec /x removes it" msi /x "$version" x86
check "x86 MSI: nothing of it is left" nothing_left
check "x86 MSI: installs again" msi /i "$version" x86
check "x64 MSI: replaces the x86 installation of the same version" msi /i "$version" x64
replaced_x86() { entries_are "$version" && [ ! -e "$x86_dir" ] && installed_exactly "$x64_dir" win64; }
check "x64 MSI: one entry, the x86 folder gone" replaced_x86
check "x64 MSI: removed again" msi /x "$version" x64
check "x64 MSI: nothing left after the bitness change" nothing_left

# --- The logon scripts ------------------------------------------------------

echo "packages: the logon scripts"
start="$work/zip-win64/start-at-logon.cmd"
stop="$work/zip-win64/stop-at-logon.cmd"
check "start-at-logon.cmd: schtasks /Create with the task name, ONLOGON, HIGHEST, /F and /TR" \
  grep -q '^schtasks /Create /TN Tarrowin /SC ONLOGON /RL HIGHEST /F /TR "!run!"' "$start"
check "start-at-logon.cmd: the program and the settings file quoted as \\\" inside /TR" \
  grep -qF 'set "run=\"!program!\" \"!settings!\" !cycle!"' "$start"
check "stop-at-logon.cmd: schtasks /Delete of the task" \
  grep -q '^schtasks /Delete /TN Tarrowin /F' "$stop"

# The scripts run from a folder whose name holds blanks, "&" and brackets,
# beside the zip's tarrowin.exe; the stand-ins record what they are given.
folder="$work/Program Files (x86)/Tar & Co"
mkdir -p "$folder" "$work/stubs" "$work/my rules"
cp "$work/zip-win64/"* "$folder/"
for name in schtasks fltmc powershell; do
  cp build/win64/tests/package/command_recorder.exe "$work/stubs/$name.exe"
done
: >"$work/my rules/rules (1).ini"
exe_w=$(winpath "$folder/tarrowin.exe")
ini_w=$(winpath "$work/my rules/rules (1).ini")
rules_w=$(winpath "$work/my rules")
record="$work/record.txt"

# run_script SCRIPT EXPECTED-EXIT EXPECTED-RECORD [ENV=VALUE...] -- ARGS:
# runs SCRIPT (a Windows path) in cmd from the settings file's folder with
# ARGS (cmd text), then compares its exit status and the stand-ins' record
# (lines "name<TAB>argument<TAB>..."). The driver hands over to the script
# without "call", which loses the exit status in Wine's cmd.
run_script() {
  local script=$1 want_exit=$2 want_record=$3
  shift 3
  local envs=()
  while [ "$1" != "--" ]; do envs+=("$1"); shift; done
  shift
  printf '@cd /d "%s"\r\n@"%s" %s\r\n' \
    "$rules_w" "$script" "$*" >"$work/drive.cmd"
  rm -f "$record"
  local got_exit=0
  env "${envs[@]}" WINEPATH="$(winpath "$work/stubs")" TARROWIN_RECORD="$(winpath "$record")" \
    timeout 120 wine cmd /c "$(winpath "$work/drive.cmd")" >"$work/script.out" 2>&1 || got_exit=$?
  echo "exit $got_exit; output:"
  tr -d '\r' <"$work/script.out"
  local got_record=""
  [ -f "$record" ] && got_record=$(tr -d '\r' <"$record")
  echo "record:"
  printf '%s\n' "$got_record"
  [ "$got_exit" = "$want_exit" ] && [ "$got_record" = "$want_record" ]
}

T=$'\t'
start_w=$(winpath "$folder/start-at-logon.cmd")
stop_w=$(winpath "$folder/stop-at-logon.cmd")
create="schtasks${T}/Create${T}/TN${T}Tarrowin${T}/SC${T}ONLOGON${T}/RL${T}HIGHEST${T}/F${T}/TR"
lift="powershell${T}-NoProfile${T}-NonInteractive${T}-Command${T}$(sed -n 's/^powershell -NoProfile -NonInteractive -Command "\(.*\)" >nul 2>&1\r\?$/\1/p' "$start")"
check "start-at-logon: a relative settings file, default cycle normal" \
  run_script "$start_w" 0 "fltmc
$create${T}\"$exe_w\" \"$ini_w\" normal
$lift" -- '"rules (1).ini"'
check "start-at-logon: a full path and the cycle long" \
  run_script "$start_w" 0 "fltmc
$create${T}\"$exe_w\" \"$ini_w\" long
$lift" -- "\"$ini_w\" long"
check "start-at-logon: the cycle stop" \
  run_script "$start_w" 0 "fltmc
$create${T}\"$exe_w\" \"$ini_w\" stop
$lift" -- "\"$ini_w\" stop"
for bad in '' '"rules (1).ini" Normal' '"rules (1).ini" fast' '"rules (1).ini" long extra'; do
  check "start-at-logon: usage, nothing run, for arguments [$bad]" run_script "$start_w" 2 "" -- "$bad"
done
check "start-at-logon: refuses without administrator rights" \
  run_script "$start_w" 1 "fltmc" TARROWIN_EXIT_FLTMC=5 -- '"rules (1).ini"'
check "start-at-logon: reports a failing schtasks" \
  run_script "$start_w" 1 "fltmc
$create${T}\"$exe_w\" \"$ini_w\" normal" TARROWIN_EXIT_SCHTASKS=1 -- '"rules (1).ini"'
run_script_noting() {  # run_script_noting TEXT RUN-SCRIPT-ARGUMENTS...
  local text=$1
  shift
  run_script "$@" && grep -q "$text" "$work/script.out"
}
check "start-at-logon: without PowerShell the task stays, with a note" \
  run_script_noting 'three days' "$start_w" 0 "fltmc
$create${T}\"$exe_w\" \"$ini_w\" normal
$lift" TARROWIN_EXIT_POWERSHELL=1 -- '"rules (1).ini"'
check "stop-at-logon: deletes the task" \
  run_script "$stop_w" 0 "fltmc
schtasks${T}/Query${T}/TN${T}Tarrowin
schtasks${T}/Delete${T}/TN${T}Tarrowin${T}/F" --
check "stop-at-logon: no task, nothing to delete" \
  run_script "$stop_w" 0 "fltmc
schtasks${T}/Query${T}/TN${T}Tarrowin" TARROWIN_EXIT_SCHTASKS=1 --
check "stop-at-logon: refuses without administrator rights" \
  run_script "$stop_w" 1 "fltmc" TARROWIN_EXIT_FLTMC=5 --
check "stop-at-logon: usage for an argument" run_script "$stop_w" 2 "" -- now

echo "packages: $passed checks passed, $failures failed"
[ "$failures" -eq 0 ]
