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
# The tools from the suite's one list, beside what they are built from.
tools=$(cmake -P cmake/print_tool_names.cmake)
folders="common attr_dialog fpdf_check fpdf_diff $(echo $tools)"
sources="$PWD/($(tr ' ' '|' <<<"$folders"))/"
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
# Defensive code no consistent host can reach (a guard against an answer nxsim never
# gives) carries a GCOVR_EXCL marker with its reason and is left out of the figures
# above; the source lines under markers are counted here so what is left out stays in view.
python3 - $(git ls-files $folders | grep -E '\.(cpp|h)$') <<'PY'
import re, sys
marked = {}
for path in sys.argv[1:]:
    m = marked.setdefault(path.split("/")[0], [0, 0])
    region = None
    for line in open(path, encoding="utf-8"):
        tag = re.search(r"GCOVR_EXCL_(BR_)?(LINE|START|STOP)", line)
        kind = 1 if tag and tag.group(1) else 0
        if tag and tag.group(2) == "START":
            region = kind
        elif tag and tag.group(2) == "STOP":
            region = None
        elif region is not None:
            m[region] += 1
        elif tag:
            m[kind] += 1
print(f"{'marked (source lines)':20} {'lines and branches':>22} {'branches only':>22}")
for name, (lines, branches) in sorted(marked.items()):
    if lines or branches:
        print(f"{name:20} {lines:>22} {branches:>22}")
PY
