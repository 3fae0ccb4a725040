#!/usr/bin/env bash
# Every tool exports its entry points and nothing else: ufusr and ufusr_ask_unload,
# and ufusr_cleanup in the tools listed with it in cmake/tool_names.cmake.
# check_exports.sh DIR reads Linux .so files; check_exports.sh DIR OBJDUMP reads the
# export tables of Windows DLLs.
set -u
dir=$1
objdump=${2:-}
names_of=$(dirname "$0")/../../cmake/print_tool_names.cmake
tools=$(cmake -P "$names_of") && cleanup=$(cmake -DLIST=RIVET_TOOLS_WITH_CLEANUP -P "$names_of") ||
  { echo "cannot read the tool list"; exit 1; }
status=0
count=0
for tool in $tools; do
  count=$((count + 1))
  want="ufusr ufusr_ask_unload"
  grep -qx "$tool" <<<"$cleanup" && want="ufusr ufusr_ask_unload ufusr_cleanup"
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
[ "$count" -gt 0 ] || { echo "the tool list is empty"; exit 1; }
[ $status -eq 0 ] && echo "all $count tools export only their entry points"
exit $status
