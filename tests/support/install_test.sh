#!/usr/bin/env bash
# Installs a build into a temporary prefix, moves the installed tree elsewhere and
# plays the sample workflow with the installed nxsim from there: it must find its
# tools and dialogs beside itself, not in the build or the source tree.
#   tests/support/install_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/rivet-install-XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "install test: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$work/first" >/dev/null
mv "$work/first" "$work/moved"
root=$work/moved
share=$root/share/riveting_suite
tools=$(cmake -P "$(dirname "$0")/../../cmake/print_tool_names.cmake") && [ -n "$tools" ] ||
  fail "cannot read the tool list"
for f in bin/nxsim bin/fpdf_check bin/fpdf_diff share/riveting_suite/dialogs $(printf 'lib/riveting_suite/tools/%s.so ' $tools); do
  [ -e "$root/$f" ] || fail "$f was not installed"
done

help=$("$root/bin/nxsim" run --help)
grep -qF "$root/lib/riveting_suite/tools" <<<"$help" || fail "nxsim does not look for its tools beside itself: $help"
grep -qF "$share/dialogs" <<<"$help" || fail "nxsim does not look for its dialogs beside itself: $help"

cd "$work"
"$root/bin/nxsim" play "$share/examples/panel/workflow.json" --run-dir run >play.txt ||
  fail "the sample workflow failed: $(cat play.txt)"
"$root/bin/fpdf_check" run/drives/D/PANEL_01.fpdf >check.txt || fail "the machine file has findings: $(cat check.txt)"
cmp run/drives/D/PANEL_01.fpdf "$share/examples/panel/expected/PANEL_01.fpdf" ||
  fail "the machine file differs from the sample's"
"$root/bin/fpdf_diff" "$share/examples/panel/expected/PANEL_01.fpdf" run/drives/D/PANEL_01.fpdf >diff.txt ||
  fail "fpdf_diff finds changes against the sample's machine file: $(cat diff.txt)"
echo "installed, moved and played: $(tail -n 1 check.txt)"
