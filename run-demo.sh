#!/usr/bin/env bash
# The main job: plays the sample panel through the tools with nxsim and says where
# the results are. Installs what it needs and builds first.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh build
cmake --preset default >/dev/null
cmake --build --preset default

run=run/demo
rm -rf "$run"
mkdir -p "$run"
cp examples/panel/design.json "$run/session.json"
build/default/bin/nxsim run --session "$run/session.json" --tool rivet_mark \
  --script examples/panel/mark.json --run-dir "$run/drives"

echo
echo "rivet_mark marked the sample panel's rivets."
echo "  session (the assembly after the run): $run/session.json"
echo "  error log (Windows-1251, CR LF):      $run/drives/D/prterr.txt"
echo "  what the engineer saw:                $run/drives/transcript.txt"
