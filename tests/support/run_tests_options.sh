#!/usr/bin/env bash
# run-tests.sh refuses an option of its own it does not know, before building
# anything, and sends ctest's options only after --.
set -euo pipefail
script=$1/run-tests.sh
fail() { echo "run-tests.sh options: $*" >&2; exit 1; }
for bad in --bogus -R --sanitise; do
  status=0
  err=$("$script" "$bad" 2>&1 >/dev/null) || status=$?
  [ "$status" -eq 2 ] || fail "$bad: exit status $status, wanted 2"
  [ "$err" = "run-tests.sh: unknown option $bad (ctest's own options go after --)
Try './run-tests.sh --help' for more information." ] || fail "$bad: $err"
done
# The sanitizers and the other layout combine; the Windows build has neither.
for bad in "--windows --sanitize" "--other-layout --windows"; do
  status=0
  err=$("$script" $bad 2>&1 >/dev/null) || status=$?
  [ "$status" -eq 2 ] || fail "$bad: exit status $status, wanted 2"
  [ "$err" = "run-tests.sh: --windows goes alone (the Windows build has no sanitizers and one layout)" ] ||
    fail "$bad: $err"
done
"$script" --help | grep -q -- "--fast" || fail "--help does not list --fast"
