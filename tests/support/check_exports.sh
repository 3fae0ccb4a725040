#!/usr/bin/env bash
# Every tool exports its entry points and nothing else: ufusr and ufusr_ask_unload,
# and ufusr_cleanup in the two attribute tools. check_exports.sh DIR reads Linux .so
# files; check_exports.sh DIR OBJDUMP reads the export tables of Windows DLLs.
set -u
dir=$1
objdump=${2:-}
status=0
for tool in fpdf_export route_check route_walk route_create rivet_transfer flat_assembly rivet_mark \
            rivet_group_attr rivet_attr_inspect; do
  want="ufusr ufusr_ask_unload"
  case $tool in rivet_group_attr|rivet_attr_inspect) want="ufusr ufusr_ask_unload ufusr_cleanup" ;; esac
  if [ -n "$objdump" ]; then
    file=$tool.dll
    names=$("$objdump" -p "$dir/$file" 2>/dev/null |
      awk '/\[Ordinal\/Name Pointer\] Table/ {t=1; next} t && /^\t\[ *[0-9]+\]/ {print $NF; next} t {t=0}')
  else
    file=$tool.so
    names=$(nm -D --defined-only "$dir/$file" 2>/dev/null | awk '{print $3}')
  fi
  got=$(echo "$names" | sed '/^$/d' | sort | tr '\n' ' ' | sed 's/ $//')
  if [ "$got" != "$want" ]; then
    echo "$file exports [$got], expected [$want]"
    status=1
  fi
done
[ $status -eq 0 ] && echo "all tools export only their entry points"
exit $status
