#!/usr/bin/env bash
# The main job: plays the sample panel from the designer's assembly through all nine
# tools with nxsim, checks the machine file and draws the routes. Installs what it
# needs and builds what the demo runs (nxsim, the tools, fpdf_check) first.
#   ./run-demo.sh --large [RIVETS] [--real-joints]
#                                    the same for a generated wing panel of 20,000 rivets
#                                    (or RIVETS): examples/wing_panel/make_design.py
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh demo
cmake --preset default >/dev/null
cmake --build --preset default --target nxsim fpdf_check fpdf_diff rivet_tools

if [ "${1:-}" = "--large" ]; then
  rivets=20000
  joints=()
  for arg in "${@:2}"; do
    case "$arg" in
      --real-joints) joints=(--real-joints) ;;
      *) rivets=$arg ;;
    esac
  done
  run=run/wing_panel
  rm -rf "$run"
  mkdir -p "$run"
  bin=build/default/bin
  python3 examples/wing_panel/make_design.py --rivets "$rivets" --out "$run/design" "${joints[@]}"
  cp "$run/design/design.json" "$run/session.json"
  start=$(date +%s%N)
  "$bin/nxsim" play "$run/design/workflow.json" --run-dir "$run" --session "$run/session.json" > "$run/play.txt"
  end=$(date +%s%N)
  tail -n 3 "$run/play.txt"
  echo
  "$bin/fpdf_check" --csv "$run/WING1_01.csv" "$run/drives/D/WING1_01.fpdf" | tail -n 2
  "$bin/nxsim" routes "$run/session.json" > "$run/routes.txt"
  "$bin/nxsim" render "$run/session.json" --out "$run/wing_panel.svg" --findings "$run/logs/$(ls "$run/logs" | grep 'route_check.prterr.txt$' | tail -n 1)"
  echo
  echo "The wing panel went from the designer's assembly to a checked machine file in $(( (end - start) / 1000000 )) ms:"
  echo "  FPDF file for the riveting cell:    $run/drives/D/WING1_01.fpdf"
  echo "  locations table (CSV, UTF-8):       $run/WING1_01.csv"
  echo "  what each run changed:              $run/play.txt"
  echo "  picture of the routes (SVG):        $run/wing_panel.svg"
  echo "  route travel, walked and shortest:  $run/routes.txt"
  echo "  the assembly after the workflow:    $run/session.json"
  exit 0
fi

run=run/demo
rm -rf "$run"
mkdir -p "$run"
bin=build/default/bin
"$bin/nxsim" play examples/panel/workflow.json --run-dir "$run"
echo
"$bin/fpdf_check" --csv "$run/PANEL_01.csv" "$run/drives/D/PANEL_01.fpdf" | tail -n 6
"$bin/nxsim" render "$run/session.json" --out "$run/panel.svg" --findings "$run/logs/24_route_check.prterr.txt"
echo
# The second issue after the change: exit 1 says it differs, as it must.
"$bin/fpdf_diff" "$run/drives/D/PANEL_01.fpdf" "$run/drives/D/PANEL_02.fpdf" >"$run/PANEL_01_to_02.txt" || [ $? -eq 1 ]
tail -n 1 "$run/PANEL_01_to_02.txt"

echo
echo "The sample panel went from the designer's assembly to a checked machine file:"
echo "  FPDF file for the riveting cell:    $run/drives/D/PANEL_01.fpdf"
echo "  second issue, after a change:       $run/drives/D/PANEL_02.fpdf (what it changes: $run/PANEL_01_to_02.txt)"
echo "  locations table (CSV, UTF-8):       $run/PANEL_01.csv"
echo "  error log of the last run:          $run/drives/D/prterr.txt (every run's log: $run/logs/)"
echo "  route check's findings:             $run/logs/24_route_check.prterr.txt"
echo "  picture of the routes (SVG):        $run/panel.svg"
echo "  the assembly after the workflow:    $run/session.json (nxsim show $run/session.json)"
echo "  what the engineer saw, run by run:  $run/transcripts/"
