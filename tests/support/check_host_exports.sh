#!/usr/bin/env bash
# libnxsim exports the host's C interface (every call nxsim/include declares), the
# Windows run-time calls the tools make, and the small C++ side the nxsim program runs
# a tool with (and the platform seam it shares); nothing of the front-ends (run, play, show, render, the terminal), of
# the session model, JSON or the standard library.
set -u
lib=$1
include_dir=$2
[ -f "$lib" ] || { echo "no $lib"; exit 1; }
exported=$(nm -D --defined-only "$lib" | awk '{print $3}' | c++filt)
status=0
while IFS= read -r s; do
  case $s in
    UF_*|uc1601|uc1603|__wrap_fopen|__wrap_remove|__wrap_time|__wrap_localtime|__wrap_asctime|_strdate|_tzset) ;;
    nxsim::Host::*|nxsim::Dialog::*|nxsim::Engineer::*|nxsim::ScriptEngineer::*) ;;
    "vtable for nxsim::Engineer"|"typeinfo for nxsim::Engineer"|"typeinfo name for nxsim::Engineer") ;;
    "vtable for nxsim::ScriptEngineer"|"typeinfo for nxsim::ScriptEngineer"|"typeinfo name for nxsim::ScriptEngineer") ;;
    "nxsim::run_tool("*|"nxsim::prepare_run_dir("*|"nxsim::tool_module("*) ;;
    "nxsim::platform::executable_path"*) ;;
    "nxsim::platform::stdin_is_terminal("*|"nxsim::platform::local_fields("*) ;;
    *) echo "libnxsim exports what it should keep inside: $s"; status=1 ;;
  esac
done <<< "$exported"
# The whole C interface is there: each call the headers declare.
declared=$(grep -ohE '^[a-z_ ]+\*? ?(UF_[A-Za-z0-9_]+|uc[0-9]+|_strdate|_tzset)\(' "$include_dir"/*.h |
           sed -E 's/.*[ *]([A-Za-z_][A-Za-z0-9_]*)\($/\1/' | sort -u)
[ -n "$declared" ] || { echo "no calls found in $include_dir"; exit 1; }
for f in $declared __wrap_fopen __wrap_remove __wrap_time __wrap_localtime __wrap_asctime; do
  grep -qx "$f" <<< "$exported" || { echo "libnxsim does not export $f"; status=1; }
done
[ $status -eq 0 ] && echo "libnxsim exports the host interface ($(wc -w <<< "$declared") calls) and its run API only"
exit $status
