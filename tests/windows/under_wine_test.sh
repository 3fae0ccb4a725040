#!/usr/bin/env bash
# scripts/under-wine.sh against a fake Wine that fails the way Wine does when it cannot
# start a process: run once more then, and said; any other failure is not run again.
#   under_wine_test.sh UNDER_WINE
set -u
under_wine=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# The fake: each call counted in $work/calls; FAKE_PLAN lists what each call does, one
# word a call (the last word repeats): start (Wine's start-up failure on stderr, exit 1),
# child (a test that saw a program it started fail so, on stdout, exit 1), quoted (the
# same words inside a line, exit 1), other (the words, exit 3), fail (a test failure,
# exit 1), ok (runs: shows its arguments and environment, exit 0), seven (exit 7).
cat >"$work/fake_wine" <<'FAKE'
#!/usr/bin/env bash
n=$(($(cat "$FAKE_CALLS" 2>/dev/null || echo 0) + 1))
echo "$n" >"$FAKE_CALLS"
read -r -a plan <<<"$FAKE_PLAN"
step=${plan[$((n <= ${#plan[@]} ? n - 1 : ${#plan[@]} - 1))]}
usd='err:virtual:virtual_alloc_first_teb wine: failed to map the shared user data: c0000018'
case $step in
  start) echo "0024:$usd" >&2; exit 1 ;;
  child) printf '[ RUN      ] RouteWalk.Plays/far_apart\nscenario.cpp:263: Failure\n  Which is: 1\n%s\n[  FAILED  ] RouteWalk.Plays/far_apart\n' "$usd"; exit 1 ;;
  quoted) echo "  expected: $usd"; exit 1 ;;
  other) echo "$usd" >&2; exit 3 ;;
  fail) echo "[  FAILED  ] FpdfExport.Plays/empty_route"; exit 1 ;;
  ok) echo "ran $* LC_ALL=$LC_ALL WINEDEBUG=$WINEDEBUG"; echo "to stderr" >&2; exit 0 ;;
  seven) exit 7 ;;
esac
FAKE
chmod +x "$work/fake_wine"

# expect NAME PLAN STATUS CALLS RERUN-SAID [OUTPUT-TEXT]
expect() {
  local name=$1 plan=$2 want_status=$3 want_calls=$4 want_said=$5 want_text=${6:-}
  rm -f "$work/calls"
  FAKE_PLAN=$plan FAKE_CALLS=$work/calls WINE=$work/fake_wine WINEDEBUG=-all \
    "$under_wine" 'C:\t\scenarios_under_wine.exe' --gtest_filter=X >"$work/out" 2>"$work/err"
  local status=$? calls
  calls=$(cat "$work/calls" 2>/dev/null || echo 0)
  local said=no
  grep -q "^under-wine.sh: Wine could not start a process (.*failed to map the shared user data: c0000018): running scenarios_under_wine.exe once more$" "$work/err" && said=yes
  local problems=""
  [ "$status" = "$want_status" ] || problems+=" exit $status (not $want_status)"
  [ "$calls" = "$want_calls" ] || problems+=" $calls start(s) (not $want_calls)"
  [ "$said" = "$want_said" ] || problems+=" run-again notice: $said (not $want_said)"
  if [ -n "$want_text" ] && ! grep -qF -- "$want_text" "$work/out" "$work/err"; then
    problems+=" no \"$want_text\" in the output"
  fi
  if [ -n "$problems" ]; then
    echo "FAIL $name:$problems"
    sed 's/^/  out: /' "$work/out"
    sed 's/^/  err: /' "$work/err"
    failures=$((failures + 1))
  else
    echo "ok   $name"
  fi
}

expect "a start that Wine could not make is made once more" "start ok" 0 2 yes "ran C:\\t\\scenarios_under_wine.exe --gtest_filter=X"
expect "the failed start's words stay in the log" "start ok" 0 2 yes "0024:err:virtual:virtual_alloc_first_teb"
expect "a program a test started and Wine could not start" "child ok" 0 2 yes "[  FAILED  ] RouteWalk.Plays/far_apart"
expect "once more only" "start" 1 2 yes
expect "a second failure of the test itself stands" "start fail" 1 2 yes "[  FAILED  ] FpdfExport.Plays/empty_route"
expect "a test failure is not run again" "fail ok" 1 1 no
expect "the words inside a line are not Wine's" "quoted ok" 1 1 no
expect "the words with another exit status are not Wine's" "other ok" 3 1 no
expect "the status of a run passes through" "seven" 7 1 no
expect "standard output and error pass through" "ok" 0 1 no "to stderr"
expect "code page 1251, Wine's start-up errors kept visible" "ok" 0 1 no "LC_ALL=ru_RU.CP1251 WINEDEBUG=-all,err+virtual"

if [ "$failures" -ne 0 ]; then
  echo "$failures case(s) failed"
  exit 1
fi
echo "every case holds"
