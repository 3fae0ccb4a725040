#!/usr/bin/env bash
# The nxsim program holds no second copy of nxsim's core: it loads libnxsim and
# defines none of the library's own code or data (the library's non-weak names of
# namespace nxsim, its file-scope statics included; inline functions and templates,
# weak in both, may stand in each); and a run installs one SIGINT handler (two
# copies of the staged files' code would install one each, chained).
# Usage: check_one_core.sh NXSIM LIBNXSIM HANDLER_COUNT_SO SCENARIO_DIR TOOLS_DIR DIALOGS_DIR
set -u
program=$1 library=$2 counter=$3 scenarios=$4 tools=$5 dialogs=$6
for f in "$program" "$library" "$counter"; do [ -f "$f" ] || { echo "no $f"; exit 1; }; done
status=0

needed=$(objdump -p "$program" | awk '$1 == "NEEDED" {print $2}')
grep -qx "$(basename "$library")" <<< "$needed" ||
  { echo "$program does not load $(basename "$library") (it needs: $(echo $needed))"; status=1; }

# Strong definitions of code and writable data (local or global). Read-only data is
# left out: a namespace's constants are emitted in every unit that takes their
# address (unoptimised builds do), in the program as in the library.
strong() { nm -C --defined-only "$1" | sed -nE 's/^[0-9a-f]+ [TtDdBb] (nxsim::.*)$/\1/p' | sort -u; }
in_library=$(strong "$library")
[ "$(wc -l <<< "$in_library")" -gt 100 ] || { echo "$library: too few names of nxsim ($(wc -l <<< "$in_library"))"; exit 1; }
twice=$(comm -12 <(strong "$program") <(echo "$in_library"))
if [ -n "$twice" ]; then
  echo "$program defines $(wc -l <<< "$twice") names libnxsim defines too, such as:"
  head -10 <<< "$twice"
  status=1
fi

# One run of a tool that writes its log (staged by the host) and a session saved by
# the program: every SIGINT handler put in place is counted.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$scenarios/rivet_mark/sessions/panel.json" "$work/session.json"
printf '{"actions": [{"select": ["R[1]"]}]}\n' > "$work/script.json"
export HANDLER_COUNT_FILE=$work/handlers
# The counter comes before the sanitizers' run-time, which may not mind.
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0
LD_PRELOAD=$counter "$program" run --session "$work/session.json" --tool rivet_mark --script "$work/script.json" \
  --run-dir "$work/run" --tools-dir "$tools" --dialogs-dir "$dialogs" > "$work/out" 2>&1 ||
  { echo "the run failed:"; cat "$work/out"; exit 1; }
[ -f "$work/run/D/prterr.txt" ] || { echo "the run wrote no log"; status=1; }
cmp -s "$scenarios/rivet_mark/sessions/panel.json" "$work/session.json" && { echo "the run saved no session"; status=1; }
handlers=$(cat "$work/handlers" 2>/dev/null | wc -l)
[ "$handlers" -eq 1 ] || { echo "a run installed $handlers SIGINT handlers, not 1"; status=1; }

[ $status -eq 0 ] && echo "one core: $(basename "$program") loads $(basename "$library"), defines none of its names, installs one SIGINT handler"
exit $status
