#!/usr/bin/env bash
# Every tool DLL needs nothing beside the host DLL and Windows itself (msvcrt,
# kernel32): the GCC run-time and winpthreads are linked in.
set -u
dir=$1 objdump=$2 host=$3
status=0
for tool in fpdf_export route_check route_walk route_create rivet_transfer flat_assembly rivet_mark \
            rivet_group_attr rivet_attr_inspect; do
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
