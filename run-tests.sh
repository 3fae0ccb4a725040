#!/usr/bin/env bash
# Builds everything and runs all tests. --sanitize: the same under AddressSanitizer
# and UndefinedBehaviorSanitizer. Installs what it needs first.
set -euo pipefail
cd "$(dirname "$0")"
preset=default
[ "${1:-}" = "--sanitize" ] && preset=asan
scripts/setup.sh build
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset" -j2
