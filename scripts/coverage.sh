#!/usr/bin/env bash
# Line and branch coverage of the tools after their tests, held to a floor: one row per
# source file, then one row per folder; fails when a tool of the suite's list falls
# below 99% of its lines or 97% of its branches (COVERAGE_LINES, COVERAGE_BRANCHES).
# Only the tools, nxsim, the tools' test programs and the workflow's fault sweep are
# built (the coverage preset). The tests are each tool's own (scenarios, unit tests,
# its fault sweep) and the workflow's fault sweep, which alone reaches most failure
# paths; --fast leaves both kinds of sweep out (the figures then fall below the floor).
# fpdf_check and fpdf_diff are shown after their own tests, not held to the floor.
set -euo pipefail
cd "$(dirname "$0")/.."
min_lines=${COVERAGE_LINES:-99}
min_branches=${COVERAGE_BRANCHES:-97}
filter='*'
sweep=sweep_test
case "${1:-}" in
  --fast) filter='-*Sweep.*' sweep="" ;;
  "") ;;
  *) echo "usage: scripts/coverage.sh [--fast]" >&2; exit 2 ;;
esac
scripts/setup.sh build
scripts/setup.sh coverage
build=build/coverage
# The tools from the suite's one list, each with its test program (tests/<tool>/).
tools=$(cmake -P cmake/print_tool_names.cmake)
# The programs over machine files are shown too, after their own tests, but not held.
programs_of_files="fpdf_check fpdf_diff"
programs=()
for tool in $tools $programs_of_files; do
  if [ -d "tests/$tool" ]; then programs+=("${tool}_test"); fi
done
cmake --preset coverage >/dev/null
cmake --build --preset coverage --target nxsim $tools $programs_of_files "${programs[@]}" $sweep
find "$build" -name '*.gcda' -delete
# Two programs at a time; every one is run to its end, and a failure fails the script
# after the figures are printed.
failed=0
printf '%s\n' "${programs[@]}" |
  xargs -P 2 -I{} sh -c "'$build/tests/{}' --gtest_brief=1 --gtest_filter='$filter' >'$build/{}.log' 2>&1 ||
    { echo 'coverage: {} failed:'; cat '$build/{}.log'; exit 1; }" || failed=1
if [ -n "$sweep" ]; then
  "$build/tests/$sweep" --gtest_brief=1 >"$build/$sweep.log" 2>&1 ||
    { echo "coverage: $sweep failed:"; cat "$build/$sweep.log"; failed=1; }
  grep -E "^(workflow:|checked )" "$build/$sweep.log" || true
fi

folders="common attr_dialog $(echo $programs_of_files) $(echo $tools)"
sources="$PWD/($(tr ' ' '|' <<<"$folders"))/"
trace=$build/coverage.json
# Branches the compiler adds for exceptions (the tools throw none) and on lines without
# code of their own (a closing brace's clean-up) are not the tools' own.
gcovr -r . -j 2 --object-directory "$build" --filter "$sources" --exclude-throw-branches \
  --exclude-unreachable-branches --exclude-directories "$build/CMakeFiles" --json --output "$trace"
gcovr -r . --add-tracefile "$trace"
gcovr -r . --add-tracefile "$trace" --branches
gcovr -r . --add-tracefile "$trace" --json-summary --output "$build/coverage-summary.json"
python3 - "$build/coverage-summary.json" "$min_lines" "$min_branches" $tools <<'PY' || failed=1
import json, sys
summary, min_lines, min_branches, held = sys.argv[1], float(sys.argv[2]), float(sys.argv[3]), sys.argv[4:]
tools = {}
for f in json.load(open(summary))["files"]:
    t = tools.setdefault(f["filename"].split("/")[0], [0, 0, 0, 0])
    t[0] += f["line_covered"]; t[1] += f["line_total"]
    t[2] += f["branch_covered"]; t[3] += f["branch_total"]
share = lambda a, b: 100.0 * a / b if b else 100.0
cell = lambda a, b: f"{share(a, b):5.1f}% ({a}/{b})" if b else "   --"
print(f"{'tool':20} {'lines':>22} {'branches':>22}")
low = []
for name, (lc, lt, bc, bt) in sorted(tools.items()):
    mark = ""
    if name in held and (share(lc, lt) < min_lines or share(bc, bt) < min_branches):
        low.append(name)
        mark = "  below the floor"
    print(f"{name:20} {cell(lc, lt):>22} {cell(bc, bt):>22}{mark}")
for name in held:
    if name not in tools:
        low.append(name)
        print(f"{name:20} {'no figures':>22}")
if low:
    print(f"coverage: below {min_lines:g}% of lines or {min_branches:g}% of branches: {' '.join(low)}", file=sys.stderr)
    sys.exit(1)
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
exit "$failed"
