#!/usr/bin/env bash
# Mutation testing of the tools (scripts/mutation.py --help): a fixed-seed sample of
# small changes, each built alone and run against the tool's tests; prints the share
# killed per tool and fails below the target. The changed source is put back on any
# exit, also when the helper itself is killed.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/mutation
for ((i = 1; i <= $#; i++)); do
  if [ "${!i}" = --build ]; then j=$((i + 1)); build=${!j}; fi
done
trap 'python3 scripts/mutation.py --build "$build" --restore' EXIT
python3 scripts/mutation.py "$@"
