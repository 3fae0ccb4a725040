#!/usr/bin/env bash
# Runs a Windows program of the build under Wine as the engineers' Windows runs it,
# and is what ctest starts the Windows build's programs with (the toolchain's emulator):
#   scripts/under-wine.sh PROGRAM.exe [ARGUMENTS...]
# - ANSI code page 1251: Wine takes it from the Unix locale, ru_RU.CP1251
#   (scripts/setup.sh windows generates it); with it Wine also names files on the Linux
#   side in Windows-1251, as nxsim on Linux does, so both meet the same golden files.
# - Once more, and saying so, when Wine itself could not start a process (seen under
#   load: "failed to map the shared user data"): the program never ran, or a test saw a
#   program it started fail that way. Wine's loader then exits 1 after one of the
#   messages below. Any other failure is the program's and is not run again.
# WINE names the Wine program (default: wine).
set -u

wine=${WINE:-wine}
locale_name=ru_RU.CP1251
if [ "$(LC_ALL=$locale_name locale charmap 2>/dev/null)" != CP1251 ]; then
  echo "under-wine.sh: the locale $locale_name is missing, so Wine would run under code page 1252;" \
    "scripts/setup.sh windows generates it" >&2
  exit 2
fi
export LC_ALL=$locale_name
# The start-up failures are errors of Wine's "virtual" channel: kept visible whatever
# else WINEDEBUG turns off.
export WINEDEBUG=${WINEDEBUG:+$WINEDEBUG,}err+virtual

# Wine's own words when it could not start a process, as its debug output writes them
# (an optional process and thread number before the channel): the steps of a process's
# start that map the page the system shares with every process, before the program's
# first instruction.
start_failures=(
  'err:virtual:virtual_alloc_first_teb wine: failed to map the shared user data: [0-9a-f]{8}'
  'err:virtual:virtual_map_user_shared_data failed to open the USD section: [0-9a-f]{8}'
  'err:virtual:virtual_map_user_shared_data failed to remap the process USD: -?[0-9]+'
)
joined=$(
  IFS='|'
  echo "${start_failures[*]}"
)
pattern="^([0-9a-f]{4}:){0,2}($joined)"$'\r'"?\$"
WINE_START_FAILED_STATUS=1

out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
for attempt in 1 2; do
  "$wine" "$@" 2>"$err" | tee "$out"
  status=${PIPESTATUS[0]}
  cat "$err" >&2
  [ "$attempt" -eq 1 ] && [ "$status" -eq "$WINE_START_FAILED_STATUS" ] || exit "$status"
  failure=$(grep -h -E "$pattern" "$out" "$err" | head -n 1)
  [ -n "$failure" ] || exit "$status"
  program=${1##*/}
  echo "under-wine.sh: Wine could not start a process (${failure%$'\r'}): running ${program##*\\} once more" >&2
done
