#!/usr/bin/env bash
# Every tool DLL needs nothing beside the host DLL and Windows itself (msvcrt,
# kernel32): the GCC run-time and winpthreads are linked in.
set -u
dir=$1 objdump=$2 host=$3
tools=$(cmake -P "$(dirname "$0")/../../cmake/print_tool_names.cmake") && [ -n "$tools" ] ||
  { echo "cannot read the tool list"; exit 1; }
status=0
for tool in $tools; do
  dlls=$("$objdump" -p "$dir/$tool.dll" 2>/dev/null | awk '/DLL Name:/ {print $3}' | sort -u)
  [ -z "$dlls" ] && { echo "$tool.dll: missing or no import table"; status=1; continue; }
  for dll in $dlls; do
    case ${dll,,} in
      "${host,,}"|msvcrt.dll|kernel32.dll) ;;
      *) echo "$tool.dll needs $dll"; status=1 ;;
    esac
  done
done
[ $status -eq 0 ] && echo "every tool needs only $host, msvcrt.dll and kernel32.dll"
exit $status
