#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each briefly from the test sessions
# and scripts. SECONDS_EACH sets how long (default 20).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build
scripts/setup.sh fuzz
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
mkdir -p "$corpus/session" "$corpus/script" "$corpus/dialog" "$corpus/fpdf_check" "$corpus/fpdf_reader" \
  "$corpus/terminal"
find tests examples -name '*.json' -path '*sessions*' -exec cp {} "$corpus/session/" \; 2>/dev/null || true
cp examples/panel/design.json "$corpus/session/"
# Sessions as nxsim writes them (format 2) beside the hand-written ones.
cp tests/nxsim/session_format/*.json "$corpus/session/"
i=0
for f in $(find tests examples -name 'script*.json' -o -name 'mark.json' | head -200); do
  cp "$f" "$corpus/script/$i.json"; i=$((i + 1))
done
cp dialogs/*.dlg "$corpus/dialog/" 2>/dev/null || true
i=0
for f in $(find tests examples -path '*expected*' -name '*.fpdf*' | head -100); do
  cp "$f" "$corpus/fpdf_check/$i.fpdf"; cp "$f" "$corpus/fpdf_reader/$i.fpdf"; i=$((i + 1))
done
# Terminal answers: a pick, a list and its entry, OK, an option, a button, a name.
printf 'R\n?\nok\nLIST b\nN 7\nok\n2\nYes\nPART/1/A\n' >"$corpus/terminal/answers.txt"
printf '*\nback\ncancel\n' >"$corpus/terminal/back.txt"
# Overlong UTF-8 (C1 81 for "A") in a dialog text and a part name: refused, once recorded as typed.
printf 'R\nok\ntype NAME \301\201\nok\n5\nYes\nPART/1/\301\201\n' >"$corpus/terminal/overlong.txt"
# A fixed seed, so that a finding here can be played again; on one, the fuzzer's
# report and the input that made it are printed (the corpus folder goes away). Each
# target runs on one core: two at a time, their reports printed in order after.
fuzz_one() {
  local t=$1 target=build/fuzz/nxsim/fuzz/fuzz_$1
  [ "$t" = fpdf_check ] && target=build/fuzz/fpdf_check/fuzz/fuzz_fpdf_check
  [ "$t" = fpdf_reader ] && target=build/fuzz/common/fuzz/fuzz_fpdf_reader
  (cd "$corpus" && "$OLDPWD/$target" -seed="${FUZZ_SEED:-1}" -max_total_time="${SECONDS_EACH:-20}" \
     -max_len=8192 -artifact_prefix="$corpus/found-$t-" "$corpus/$t" >"$corpus/$t.log" 2>&1) ||
    touch "$corpus/$t.failed"
}
targets=(session script dialog fpdf_check fpdf_reader terminal)
for ((k = 0; k < ${#targets[@]}; k += 2)); do
  fuzz_one "${targets[k]}" &
  [ $((k + 1)) -lt ${#targets[@]} ] && fuzz_one "${targets[k + 1]}" &
  wait
done
status=0
for t in "${targets[@]}"; do
  if [ ! -e "$corpus/$t.failed" ]; then
    grep -E '^Done' "$corpus/$t.log"
  else
    status=1
    echo "fuzz_$t found a fault (seed ${FUZZ_SEED:-1}):" >&2
    grep -v '^"' "$corpus/$t.log" | tail -n 80 >&2
    for f in "$corpus"/found-"$t"-*; do
      [ -e "$f" ] || continue
      echo "the input, base64 ($(basename "$f")):" >&2
      base64 "$f" >&2
    done
  fi
done
exit "$status"
