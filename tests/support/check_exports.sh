#!/usr/bin/env bash
# Every tool exports its entry points and nothing else: ufusr and ufusr_ask_unload,
# and ufusr_cleanup in the two attribute tools.
set -u
dir=$1
status=0
for tool in fpdf_export route_check route_walk route_create rivet_transfer flat_assembly rivet_mark \
            rivet_group_attr rivet_attr_inspect; do
  want="ufusr ufusr_ask_unload"
  case $tool in rivet_group_attr|rivet_attr_inspect) want="ufusr ufusr_ask_unload ufusr_cleanup" ;; esac
  got=$(nm -D --defined-only "$dir/$tool.so" 2>/dev/null | awk '{print $3}' | sort | tr '\n' ' ' | sed 's/ $//')
  if [ "$got" != "$want" ]; then
    echo "$tool.so exports [$got], expected [$want]"
    status=1
  fi
done
[ $status -eq 0 ] && echo "all tools export only their entry points"
exit $status
