#!/usr/bin/env bash
# Processor time that Tarrowin costs under Wine: the program's own and the
# Wine server's, over SECONDS of the normal cycle and of the stop cycle,
# with eight idle Notepads and one rule that names them. Give one or more
# builds as LABEL=EXE; each is measured in turn, ROUNDS times, in one Wine
# prefix, so that builds can be compared in one run:
#   engine/bench/wine_cycle_cost.sh [-s SECONDS] [-r ROUNDS] LABEL=EXE ...
# The prefix is TARROWIN_WINEPREFIX, else a throwaway one; its Wine server is
# ended at the end. Without DISPLAY a virtual display (Xvfb) is started.
# The server's time includes what the Notepads cost it: the stop cycle shows
# that part.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
. "$top/scripts/lib/wine.sh"

usage="usage: engine/bench/wine_cycle_cost.sh [-s SECONDS] [-r ROUNDS] LABEL=EXE ..."
seconds=20
rounds=1
while getopts "s:r:" option; do
  case $option in
    s) seconds=$OPTARG ;;
    r) rounds=$OPTARG ;;
    *) echo "$usage" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
[ $# -gt 0 ] || { echo "$usage" >&2; exit 2; }
builds=()
for entry in "$@"; do
  exe=$(realpath "${entry#*=}")
  [ -f "$exe" ] || { echo "no such program: ${entry#*=}" >&2; exit 2; }
  builds+=("${entry%%=*}=$exe")
done

work=$(mktemp -d "${TMPDIR:-/tmp}/tarrowin-cost.XXXXXX")
prefix=${TARROWIN_WINEPREFIX:-$work/prefix}
xvfb_pid=""
cleanup() {
  WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
  for d in $(seq 90 120); do
    [ -e "/tmp/.X11-unix/X$d" ] || [ -e "/tmp/.X$d-lock" ] && continue
    Xvfb ":$d" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do
      [ -e "/tmp/.X11-unix/X$d" ] && break
      sleep 0.1
    done
    [ -e "/tmp/.X11-unix/X$d" ] && { export DISPLAY=":$d"; break; }
    kill "$xvfb_pid" 2>/dev/null
    xvfb_pid=""
  done
  [ -n "${DISPLAY:-}" ] || { echo "could not start Xvfb" >&2; exit 1; }
fi

tarrowin_wine_prefix "$prefix"
printf '[tarrowin1]\r\nProcessName=notepad.exe\r\nCPUCount=1\r\nCPUMask=0x00000000\r\n' \
  >"$work/rules.ini"
hz=$(getconf CLK_TCK)

# User and system time of a Linux process, its ended threads included, in
# clock ticks.
ticks() { awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"; }

# The Linux process of this prefix whose command line holds $1.
find_pid() {
  local p
  for p in /proc/[0-9]*; do
    { tr '\0' '\n' <"$p/environ"; } 2>/dev/null | grep -Fx "WINEPREFIX=$prefix" >/dev/null ||
      continue
    { tr '\0' ' ' <"$p/cmdline"; } 2>/dev/null | grep -F -- "$1" >/dev/null || continue
    basename "$p"
    return 0
  done
  return 1
}

wineserver -p  # stays up from one program to the next
for _ in 1 2 3 4 5 6 7 8; do wine notepad.exe >/dev/null 2>&1 & done
sleep 8
server=$(find_pid wineserver) || { echo "no Wine server for $prefix" >&2; exit 1; }

echo "$seconds s per cycle, eight idle Notepads, rule notepad.exe on 1 processor"
printf '%-10s %-6s %5s %10s %10s\n' build cycle round program server
for round in $(seq "$rounds"); do
  for build in "${builds[@]}"; do
    label=${build%%=*} exe=${build#*=}
    for cycle in normal stop; do
      wine "$exe" "$work/rules.ini" "$cycle" >/dev/null 2>&1 &
      launcher=$!
      pid=""
      for _ in $(seq 100); do
        pid=$(find_pid "$exe") && break
        sleep 0.1
      done
      [ -n "$pid" ] || { echo "$label did not start" >&2; exit 1; }
      sleep 3  # start-up is not measured
      p0=$(ticks "$pid") s0=$(ticks "$server")
      sleep "$seconds"
      p1=$(ticks "$pid") s1=$(ticks "$server")
      kill "$pid" 2>/dev/null || true
      wait "$launcher" 2>/dev/null || true
      sleep 1
      awk -v l="$label" -v c="$cycle" -v r="$round" -v hz="$hz" \
        -v p=$((p1 - p0)) -v s=$((s1 - s0)) \
        'BEGIN { printf "%-10s %-6s %5d %9.2fs %9.2fs\n", l, c, r, p / hz, s / hz }'
    done
  done
done
