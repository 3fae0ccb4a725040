#!/usr/bin/env bash
# Runs clang-tidy (.clang-tidy) over nxsim's sources, fpdf_check and fpdf_diff, two at a time;
# fails on any finding. The compile commands come from the clang preset "tidy",
# which only configures: nothing is built.
#
# nxsim's sources are read as the unity build batches them, a room to a file (the tidy
# preset's batch size): the standard and JSON headers are then read once a room instead
# of once a source, and clang-tidy takes half the time. A batched source is then not the main file, so the static analyser is
# told to follow paths outside it too (system headers stay out), and the including of
# .cpp files, which is all a batch file does, is not a finding there.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build
scripts/setup.sh tidy
cmake --preset tidy >/dev/null
root=$(pwd)
db=build/tidy/compile_commands.json
mapfile -t batches < <(grep -o '"file": "[^"]*"' "$db" | cut -d'"' -f4 |
                       grep -E "^$root/build/tidy/nxsim/(session|host|cli)/.*/Unity/unity_[0-9]+_cxx\.cxx$")
mapfile -t files < <(grep -o '"file": "[^"]*"' "$db" | cut -d'"' -f4 |
                     grep -E "^$root/(nxsim/(session|host|cli)|fpdf_check|fpdf_diff)/[^/]+\.cpp$")
[ ${#batches[@]} -gt 0 ] && [ ${#files[@]} -gt 0 ] || { echo "no sources in $db" >&2; exit 1; }
# Every nxsim source built here (not the Windows ones) is read, in a batch or alone.
sources=$(cat "${batches[@]}" | grep -c '^#include "' || true)
alone=$(printf '%s\n' "${files[@]}" | grep -c "^$root/nxsim/" || true)
expected=$(git ls-files 'nxsim/session/*.cpp' 'nxsim/host/*.cpp' 'nxsim/cli/*.cpp' | grep -vc '_windows\.cpp$')
[ $((sources + alone)) -eq "$expected" ] ||
  { echo "clang-tidy: $sources batched and $alone nxsim sources alone, not the $expected there are" >&2; exit 1; }
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
# One log per file, so the two runs' findings do not interleave; the batches first, as
# they take longest.
printf '%s\n' "${batches[@]}" "${files[@]}" | xargs -P 2 -I{} sh -c '
  case "$1" in
    *_cxx.cxx) extra="--extra-arg=-Xclang --extra-arg=-analyzer-opt-analyze-headers --checks=-bugprone-suspicious-include" ;;
    *) extra="" ;;
  esac
  clang-tidy -p build/tidy --quiet $extra "$1" >"$2/$(echo "$1" | tr / _).log" 2>&1 || touch "$2/failed"' _ {} "$logs"
cat "$logs"/*.log | grep -v -E '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$' || true
if [ -e "$logs/failed" ]; then
  echo "clang-tidy: findings above" >&2
  exit 1
fi
echo "clang-tidy: ${#batches[@]} batches of $sources sources and ${#files[@]} files alone, no findings"
