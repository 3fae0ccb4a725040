#!/usr/bin/env bash
# libnxsim exports the host's C interface (every call nxsim/include declares), the
# Windows run-time calls the tools make, and nxsim's C++ side that the nxsim program,
# nxsim's tests and the benchmarks link (the session, the host's state, the run of a
# tool: names of namespace nxsim); nothing of the front-ends (run, play, show, render,
# the terminal), of JSON, simdjson or the standard library.
set -u
lib=$1
include_dir=$2
[ -f "$lib" ] || { echo "no $lib"; exit 1; }
exported=$(nm -D --defined-only "$lib" | awk '{print $3}' | c++filt)
status=0
while IFS= read -r s; do
  case $s in
    UF_*|uc1601|uc1603|__wrap_fopen|__wrap_remove|__wrap_time|__wrap_localtime|__wrap_asctime|_strdate|_tzset) ;;
    nxsim::render::*|nxsim::TerminalEngineer::*|"nxsim::"*_command\(*) echo "libnxsim holds the front-ends: $s"; status=1 ;;
    nxsim::*|"vtable for nxsim::"*|"typeinfo for nxsim::"*|"typeinfo name for nxsim::"*) ;;
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
# The C++ side the program and the tests link is there.
for f in "nxsim::Host::get()" "nxsim::load_session(" "nxsim::save_session(" "nxsim::Session::Session()" \
         "nxsim::run_tool(" "nxsim::load_script(" "nxsim::cp1251_to_utf8" "typeinfo for nxsim::InputError"; do
  grep -qF "$f" <<< "$exported" || { echo "libnxsim does not export $f"; status=1; }
done
[ $status -eq 0 ] && echo "libnxsim exports the host interface ($(wc -w <<< "$declared") calls) and nxsim's C++ side only"
exit $status
