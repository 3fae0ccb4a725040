#!/usr/bin/env bash
# Line and branch coverage of the tools, common and fpdf_check after the tests: one row
# per source file, then one row per tool (folder). Extra arguments go to ctest (e.g. -LE sweep).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build
scripts/setup.sh coverage
cmake --preset coverage >/dev/null
cmake --build --preset coverage
find build/coverage -name '*.gcda' -delete
ctest --preset coverage -j2 "$@" || echo "coverage: some tests failed; the figures below still count them" >&2
sources="$PWD/(common|attr_dialog|fpdf_check|fpdf_export|route_check|route_walk|route_create|rivet_transfer|flat_assembly|rivet_mark|rivet_group_attr|rivet_attr_inspect)/"
trace=build/coverage/coverage.json
# Branches the compiler adds for exceptions (the tools throw none) and on lines without
# code of their own (a closing brace's clean-up) are not the tools' own.
gcovr -r . --object-directory build/coverage --filter "$sources" --exclude-throw-branches \
  --exclude-unreachable-branches --exclude-directories "build/coverage/CMakeFiles" --json --output "$trace"
gcovr -r . --add-tracefile "$trace" --print-summary
gcovr -r . --add-tracefile "$trace" --branches
gcovr -r . --add-tracefile "$trace" --json-summary --output build/coverage/coverage-summary.json
python3 - build/coverage/coverage-summary.json <<'PY'
import json, sys
tools = {}
for f in json.load(open(sys.argv[1]))["files"]:
    t = tools.setdefault(f["filename"].split("/")[0], [0, 0, 0, 0])
    t[0] += f["line_covered"]; t[1] += f["line_total"]
    t[2] += f["branch_covered"]; t[3] += f["branch_total"]
pct = lambda a, b: f"{100.0 * a / b:5.1f}% ({a}/{b})" if b else "   --"
print(f"{'tool':20} {'lines':>22} {'branches':>22}")
for name, (lc, lt, bc, bt) in sorted(tools.items()):
    print(f"{name:20} {pct(lc, lt):>22} {pct(bc, bt):>22}")
PY
