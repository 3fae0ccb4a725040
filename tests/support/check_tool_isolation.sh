#!/usr/bin/env bash
# Builds a tool that includes one header. expect "builds": the header belongs to the
# host interface or common. expect "hidden": the header is one of nxsim's insides, and
# the build must fail because a tool's include path does not reach it.
set -u
cmake=$1 build_dir=$2 target=$3 header=$4 expect=$5
out=$("$cmake" --build "$build_dir" --target "$target" 2>&1)
rc=$?
if [ "$expect" = builds ]; then
  if [ $rc -eq 0 ]; then echo "a tool may include $header"; exit 0; fi
  echo "$out"
  echo "$target: a tool including $header should build"
  exit 1
fi
if [ $rc -ne 0 ] && grep -qF "$header: No such file or directory" <<< "$out"; then
  echo "a tool cannot include $header"
  exit 0
fi
echo "$out"
echo "$target: the build should fail because $header is not on a tool's include path"
exit 1
