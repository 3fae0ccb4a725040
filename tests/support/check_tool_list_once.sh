#!/usr/bin/env bash
# The suite's plug-ins are listed once, in cmake/tool_names.cmake: a build or test
# script that names more than two of them keeps a list of its own, which a new tool
# would have to be added to as well. check_tool_list_once.sh SOURCE_DIR
set -u
root=$1
tools=$(cmake -P "$root/cmake/print_tool_names.cmake") && [ -n "$tools" ] || { echo "cannot read the tool list"; exit 1; }
status=0
while IFS= read -r file; do
  named=$(for tool in $tools; do grep -qw -- "$tool" "$file" && echo "$tool"; done | wc -l)
  if [ "$named" -gt 2 ]; then
    echo "${file#"$root"/} names $named of the tools: read cmake/tool_names.cmake instead"
    status=1
  fi
done < <(find "$root" \( -path "$root/build" -o -path "$root/.git" \) -prune -o -type f \
           \( -name '*.sh' -o -name '*.cmake' -o -name CMakeLists.txt -o -path "$root/.ci/run" \) \
           ! -path "$root/cmake/tool_names.cmake" -print | sort)
[ $status -eq 0 ] && echo "the tools are listed in cmake/tool_names.cmake only"
exit $status
