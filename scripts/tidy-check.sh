#!/usr/bin/env bash
# Runs clang-tidy (.clang-tidy) over nxsim's sources, fpdf_check and fpdf_diff, two at a time;
# fails on any finding. The compile commands come from the clang preset "tidy",
# which only configures: nothing is built.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build
scripts/setup.sh tidy
cmake --preset tidy >/dev/null
root=$(pwd)
mapfile -t files < <(grep -o '"file": "[^"]*"' build/tidy/compile_commands.json | cut -d'"' -f4 |
                     grep -E "^$root/(nxsim/(session|host|cli)|fpdf_check|fpdf_diff)/[^/]+\.cpp$")
[ ${#files[@]} -gt 0 ] || { echo "no sources in build/tidy/compile_commands.json" >&2; exit 1; }
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
# One log per file, so the two runs' findings do not interleave.
printf '%s\n' "${files[@]}" | xargs -P 2 -I{} sh -c \
  'clang-tidy -p build/tidy --quiet "$1" >"$2/$(echo "$1" | tr / _).log" 2>&1 || touch "$2/failed"' _ {} "$logs"
cat "$logs"/*.log | grep -v -E '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$' || true
if [ -e "$logs/failed" ]; then
  echo "clang-tidy: findings above" >&2
  exit 1
fi
echo "clang-tidy: ${#files[@]} files, no findings"
