#!/usr/bin/env bash
# Line and branch coverage of the tools, common and fpdf_check after the tests,
# one row per source file. Extra arguments go to ctest (e.g. -LE sweep).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build
scripts/setup.sh coverage
cmake --preset coverage >/dev/null
cmake --build --preset coverage
find build/coverage -name '*.gcda' -delete
ctest --preset coverage -j2 "$@" || echo "coverage: some tests failed; the figures below still count them" >&2
sources="$PWD/(common|attr_dialog|fpdf_check|fpdf_export|route_check|route_walk|route_create|rivet_transfer|flat_assembly|rivet_mark|rivet_group_attr|rivet_attr_inspect)/"
# Branches the compiler adds for exceptions are not the tools' own.
gcovr -r . --object-directory build/coverage --filter "$sources" --exclude-throw-branches --print-summary
gcovr -r . --object-directory build/coverage --filter "$sources" --exclude-throw-branches --branches
