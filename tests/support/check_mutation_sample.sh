#!/usr/bin/env bash
# The mutation sample is the same on every run of the same arguments, holds every tool
# of the list and every kind of change, and each mutant listed as equivalent is one the
# tools' code still gives (a listed mutant the code no longer has is stale: the line
# moved or changed, and a survivor there would go unseen).
# check_mutation_sample.sh SOURCE_DIR
set -euo pipefail
root=$1
fail() { echo "mutation sample: $*" >&2; exit 1; }
first=$(python3 "$root/scripts/mutation.py" --list --count 200)
second=$(python3 "$root/scripts/mutation.py" --list --count 200)
[ "$first" = "$second" ] || fail "two listings of the same seed differ"
[ "$(wc -l <<<"$first")" -eq 200 ] || fail "$(wc -l <<<"$first") mutants listed, wanted 200"
other=$(python3 "$root/scripts/mutation.py" --list --count 200 --seed 7)
[ "$first" != "$other" ] || fail "another seed gives the same sample"
for tool in $(cmake -P "$root/cmake/print_tool_names.cmake"); do
  grep -q "^$tool/" <<<"$first" || fail "no mutant of $tool"
done
for kind in rel ret const call; do
  grep -q " $kind#" <<<"$first" || fail "no mutant of the kind $kind"
done
short=$(python3 "$root/scripts/mutation.py" --list --count 10)
[ "$(wc -l <<<"$short")" -eq 10 ] || fail "the short sample holds $(wc -l <<<"$short") mutants, wanted 10"
every=$(python3 "$root/scripts/mutation.py" --every)
while IFS= read -r line; do
  key=${line%% -- *}
  [ "$key" != "$line" ] || fail "no reason given: $line"
  grep -qxF -- "$key" <<<"$every" || fail "listed as equivalent but the code no longer gives it: $key"
done < <(grep -v '^#' "$root/scripts/mutation-equivalent.txt" | grep -v '^$')
# A mutant changes its file, and the file comes back byte for byte: from the helper
# itself and, as the driver's trap does after a killed helper, from the backup alone.
python3 - "$root" <<'PY' || fail "a mutated source is not restored"
import shutil, sys, tempfile
from pathlib import Path
sys.path.insert(0, sys.argv[1] + "/scripts")
import mutation as M
work = Path(tempfile.mkdtemp())
try:
    for kind in ("rel", "ret", "const", "call"):
        m = next(m for t in M.tool_names() for p in M.tool_sources(t) for m in M.mutants_of(t, p, M.enum_members())
                 if m.kind == kind)
        (work / m.path).parent.mkdir(parents=True, exist_ok=True)
        shutil.copy(M.ROOT / m.path, work / m.path)
        original = (work / m.path).read_bytes()
        M.ROOT = work
        M.Source(work / "build").apply(m)
        assert (work / m.path).read_bytes() != original, m.key
        M.Source(work / "build").restore()
        assert (work / m.path).read_bytes() == original, m.key
        M.ROOT = Path(sys.argv[1])
finally:
    shutil.rmtree(work)
PY
echo "the sample is fixed and covers every tool and kind; a mutated source is restored"
