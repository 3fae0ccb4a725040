#!/usr/bin/env bash
# Builds everything and runs the tests. Installs what it needs first.
set -euo pipefail
cd "$(dirname "$0")"

usage() {
  cat <<'TEXT'
usage: ./run-tests.sh [--sanitize] [--other-layout] [--windows] [--fast] [-- CTEST-ARGUMENTS...]
  --sanitize  build and run under AddressSanitizer and UndefinedBehaviorSanitizer
  --other-layout  the host interface's constants and struct members with other values and orders
              (with --sanitize: both in one build)
  --windows   the Windows DLLs and nxsim.exe, their scenarios under Wine, the install folder
              (alone: the Windows build has no sanitizers and one layout)
  --fast      leave out the fault sweeps and the benchmarks (labels sweep, bench)
  --          everything after it goes to ctest, e.g. -- -R route_walk  or  -- -L scenario
TEXT
}

sanitize=false
other_layout=false
windows=false
setup=build
ctest_args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --sanitize) sanitize=true ;;
    --other-layout) other_layout=true ;;
    --windows) windows=true setup=windows ;;
    --fast) ctest_args+=(-LE '^(sweep|bench)$') ;;
    -h | --help) usage; exit 0 ;;
    --) shift; ctest_args+=("$@"); break ;;
    *)
      echo "run-tests.sh: unknown option $1 (ctest's own options go after --)" >&2
      echo "Try './run-tests.sh --help' for more information." >&2
      exit 2 ;;
  esac
  shift
done

case "$sanitize,$other_layout,$windows" in
  false,false,false) preset=default ;;
  true,false,false) preset=asan ;;
  false,true,false) preset=other-layout ;;
  true,true,false) preset=asan-other-layout ;;
  false,false,true) preset=windows ;;
  *)
    echo "run-tests.sh: --windows goes alone (the Windows build has no sanitizers and one layout)" >&2
    exit 2 ;;
esac

scripts/setup.sh "$setup"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset" -j2 "${ctest_args[@]}"
