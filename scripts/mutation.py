#!/usr/bin/env python3
"""Mutation testing of the tools: one small change at a time in a tool's source,
the tool rebuilt alone in a build folder of its own, its tests run against it.

Changes: a relational operator turned (< <=, > >=, == !=), a call statement deleted,
a returned code changed, an integer constant changed. The sample is drawn per tool
from a fixed seed, so the same arguments always give the same mutants; a mutant the
build refuses does not count and the next one of its tool is drawn instead. A mutant
is killed when its tests fail or outrun the time limit. Survivors listed in
mutation-equivalent.txt beside this script (file:line kind#k before -> after -- why)
count as equivalent and leave the score. The source is restored after every mutant,
also when the run is stopped (the shell driver restores from the backup on any exit).
"""
import argparse
import json
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
EQUIVALENT = Path(__file__).resolve().parent / "mutation-equivalent.txt"
WORKFLOW = ROOT / "examples" / "panel" / "workflow.json"
KEYWORDS = {"if", "for", "while", "switch", "return", "sizeof", "static_cast", "reinterpret_cast", "const_cast",
            "case", "else", "do", "delete", "new", "throw"}


def tool_names():
    out = subprocess.run(["cmake", "-P", "cmake/print_tool_names.cmake"], cwd=ROOT, check=True, capture_output=True,
                         text=True).stdout
    return [n for n in out.split() if n]


def tool_sources(tool):
    out = subprocess.run(["git", "ls-files", tool], cwd=ROOT, check=True, capture_output=True, text=True).stdout
    return sorted(p for p in out.split() if p.endswith((".cpp", ".h")))


def masked(text):
    """The text with comments and the insides of literals as spaces, same length."""
    out = list(text)
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            while i < n and text[i] != "\n":
                out[i] = " "
                i += 1
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
            for k in range(i, end):
                if text[k] != "\n":
                    out[k] = " "
            i = end
        elif c in "\"'":
            i += 1
            while i < n and text[i] != c and text[i] != "\n":
                if text[i] == "\\":
                    out[i] = " "
                    i += 1
                out[i] = " "
                i += 1
            i += 1
        else:
            i += 1
    return "".join(out)


def excluded_lines(lines):
    """Lines a coverage marker declares unreachable: no test can kill a change there."""
    skip, region = set(), False
    for no, line in enumerate(lines):
        tag = re.search(r"GCOVR_EXCL_(BR_)?(LINE|START|STOP)", line)
        if tag and not tag.group(1):
            if tag.group(2) == "START":
                region = True
            elif tag.group(2) == "STOP":
                region = False
            skip.add(no)
        elif region:
            skip.add(no)
    return skip


def enum_members():
    members = {}
    files = [p for d in ["common", "attr_dialog"] + tool_names() for p in tool_sources(d)]
    for path in files:
        text = masked((ROOT / path).read_text(encoding="utf-8"))
        for m in re.finditer(r"enum\s+class\s+(\w+)\s*(?::\s*\w+\s*)?\{([^}]*)\}", text):
            names = [re.split(r"[\s=]", v.strip())[0] for v in m.group(2).split(",") if v.strip()]
            members[m.group(1)] = names
    return members


class Mutant:
    def __init__(self, tool, path, line, kind, k, before, after, edits):
        self.tool, self.path, self.line, self.kind, self.k = tool, path, line, kind, k
        self.before, self.after, self.edits = before, after, edits  # edits: [(line index, new text)]

    @property
    def key(self):
        return f"{self.path}:{self.line} {self.kind}#{self.k} {self.before} -> {self.after}"


def mutants_of(tool, path, enums):
    text = (ROOT / path).read_text(encoding="utf-8")
    lines = text.split("\n")
    mlines = masked(text).split("\n")
    skip = excluded_lines(lines)
    found = []

    def add(no, kind, before, after, edits):
        k = sum(1 for m in found if m.line == no + 1 and m.kind == kind) + 1
        found.append(Mutant(tool, path, no + 1, kind, k, before, after, edits))

    for no, (line, m) in enumerate(zip(lines, mlines)):
        s = m.strip()
        if no in skip or not s or s.startswith("#") or "static_assert" in s or s.startswith("template"):
            continue
        # Relational operators, written with a space on each side (templates are not).
        for op in re.finditer(r"(?<= )(<=|>=|==|!=|<|>)(?= )", m):
            new = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "=="}[op.group(1)]
            add(no, "rel", op.group(1), new, [(no, line[:op.start()] + new + line[op.end():])])
        # Returned codes.
        for r in re.finditer(r"\breturn\s+([^;]+);", m):
            expr = r.group(1).strip()
            e = re.fullmatch(r"(\w+)::(\w+)", expr)
            if expr == "nullptr" or (e is None and "::" in expr):
                continue
            if e:
                names = enums.get(e.group(1))
                if not names or e.group(2) not in names:
                    continue
                new = f"{e.group(1)}::{names[(names.index(e.group(2)) + 1) % len(names)]}"
            elif expr in ("true", "false"):
                new = "false" if expr == "true" else "true"
            elif re.fullmatch(r"\d+", expr):
                new = "1" if int(expr) == 0 else "0"
            else:
                new = "0"
            a, b = r.start(1), r.end(1)
            add(no, "ret", expr, new, [(no, line[:a] + new + line[b:])])
        # Integer constants.
        for c in re.finditer(r"(?<![\w.])\d+(?![\w.])", m):
            v = int(c.group(0))
            new = str(1 if v == 0 else 0 if v == 1 else v + 1)
            add(no, "const", c.group(0), new, [(no, line[:c.start()] + new + line[c.end():])])
        # A call statement (or a call whose result is stored) deleted, over all its lines.
        call = re.match(r"\s*(?:[A-Za-z_]\w*(?:\[[^\]]*\])?\s*=\s*)?([A-Za-z_][\w:]*)\s*\(", m)
        if call and call.group(1) not in KEYWORDS:
            prev = next((p.strip() for p in reversed(mlines[:no]) if p.strip()), "")
            if prev and (prev[-1] in ";{}:)" or prev.endswith("else")):
                depth, end, stmt = 0, None, []
                for j in range(no, min(no + 8, len(mlines))):
                    for ch in mlines[j]:
                        depth += ch == "("
                        depth -= ch == ")"
                    stmt.append(mlines[j].strip())
                    if depth == 0:
                        end = j if mlines[j].rstrip().endswith(";") else None
                        break
                if end is not None and not any(j in skip for j in range(no, end + 1)):
                    indent = line[:len(line) - len(line.lstrip())]
                    edits = [(no, indent + "{}")] + [(j, "") for j in range(no + 1, end + 1)]
                    add(no, "call", call.group(1) + "(...)", "{}", edits)
    return found


def load_equivalent():
    known = {}
    if EQUIVALENT.exists():
        for line in EQUIVALENT.read_text(encoding="utf-8").splitlines():
            if line.strip() and not line.startswith("#"):
                key, _, why = line.partition(" -- ")
                known[key.strip()] = why.strip()
    return known


def allot(counts, total):
    """Per-tool quotas: a floor for each, the rest in proportion to its mutants."""
    tools = [t for t in counts if counts[t]]
    floor = max(1, total // (2 * len(tools))) if total >= len(tools) else 0
    quota = {t: min(floor, counts[t]) for t in tools}
    rest = total - sum(quota.values())
    if rest > 0:
        whole = sum(counts[t] for t in tools)
        shares = {t: rest * counts[t] / whole for t in tools}
        for t in tools:
            quota[t] += int(shares[t])
        left = total - sum(quota.values())
        for t in sorted(tools, key=lambda t: (-(shares[t] - int(shares[t])), t))[:left]:
            quota[t] += 1
    return {t: min(q, counts[t]) for t, q in quota.items()}


class Source:
    """One file changed at a time; the original waits in a backup until it is restored."""

    def __init__(self, build):
        self.backup = build / "mutation-backup"

    def apply(self, mutant):
        path = ROOT / mutant.path
        self.backup.mkdir(parents=True, exist_ok=True)
        shutil.copy2(path, self.backup / "file")
        (self.backup / "path").write_text(str(path))
        lines = path.read_text(encoding="utf-8").split("\n")
        for no, new in mutant.edits:
            lines[no] = new
        path.write_text("\n".join(lines), encoding="utf-8")

    def restore(self):
        if (self.backup / "path").exists():
            path = Path((self.backup / "path").read_text())
            shutil.copyfile(self.backup / "file", path)
            os.utime(path)  # newer than the mutant's objects, so the next build redoes them
            (self.backup / "path").unlink()


RUNNING = []


def run(cmd, limit, log):
    """(exit status, seconds); None as status when the limit ran out."""
    start = time.monotonic()
    with open(log, "ab") as out:
        p = subprocess.Popen(cmd, cwd=ROOT, stdout=out, stderr=subprocess.STDOUT, start_new_session=True)
        RUNNING[:] = [p]
        try:
            code = p.wait(timeout=max(1, limit))
        except subprocess.TimeoutExpired:
            os.killpg(p.pid, signal.SIGKILL)
            p.wait()
            code = None
    return code, time.monotonic() - start


def test_steps(build, tool, workflow_sweep=False):
    """The tool's tests, cheapest first, each stopping at its first failure."""
    tests = build / "tests"
    own = tests / f"{tool}_test"
    steps = [[str(own), "--gtest_fail_fast", "--gtest_brief=1", "--gtest_filter=-*Sweep.*"],
             [str(tests / "workflow_test"), "--gtest_fail_fast", "--gtest_brief=1"],
             [str(own), "--gtest_fail_fast", "--gtest_brief=1", "--gtest_filter=*Sweep.*"]]
    steps = [s for s in steps if Path(s[0]).exists()]
    # On request, the workflow's fault sweep over this tool's runs only (numbered as the
    # sweep counts them): it checks what must hold, not each byte, and costs minutes.
    runs = [str(n) for n, r in enumerate(json.loads(WORKFLOW.read_text())["runs"], 1) if r.get("tool") == tool]
    if workflow_sweep and runs and (tests / "sweep_test").exists():
        steps.append(["env", "SWEEP_RUNS=" + ",".join(runs), str(tests / "sweep_test"), "--gtest_brief=1"])
    return steps


def targets_of(tool):
    """The tool and its test program, which may compile some of the tool's sources itself."""
    return [tool] + ([f"{tool}_test"] if (ROOT / "tests" / tool).is_dir() else [])


def configure(build, tools, workflow_sweep):
    if not (build / "build.ninja").exists():
        cmd = ["cmake", "--preset", "default", "-B", str(build), "-DRIVET_BENCH=OFF", "-DCMAKE_BUILD_TYPE=Debug",
               "-DCMAKE_CXX_FLAGS_DEBUG=-O1", "-DCMAKE_C_FLAGS_DEBUG=-O1"]
        if shutil.which("ccache"):
            cmd += ["-DCMAKE_CXX_COMPILER_LAUNCHER=ccache", "-DCMAKE_C_COMPILER_LAUNCHER=ccache"]
        subprocess.run(cmd, cwd=ROOT, check=True, stdout=subprocess.DEVNULL)
    targets = ["nxsim", "workflow_test"] + (["sweep_test"] if workflow_sweep else [])
    targets += [target for t in tools for target in targets_of(t)]
    subprocess.run(["cmake", "--build", str(build), "--target", *targets], cwd=ROOT, check=True,
                   stdout=subprocess.DEVNULL)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--count", type=int, default=200, help="mutants to play (a sample over the tools)")
    ap.add_argument("--seed", type=int, default=18, help="the sample's seed")
    ap.add_argument("--tools", default="", help="comma-separated tools (default: the suite's list)")
    ap.add_argument("--build", default="build/mutation", help="the build folder of its own")
    ap.add_argument("--target", type=float, default=90.0, help="the share killed below which the run fails")
    ap.add_argument("--only", action="append", default=[],
                    help="play just this mutant (its key, as printed; @FILE: the keys in FILE)")
    ap.add_argument("--list", action="store_true", help="print the sample and stop")
    ap.add_argument("--every", action="store_true", help="print every mutant the tools give and stop")
    ap.add_argument("--workflow-sweep", action="store_true",
                    help="also the workflow's fault sweep over the tool's runs")
    ap.add_argument("--resume", action="store_true", help="keep the results a stopped run left")
    ap.add_argument("--restore", action="store_true", help="put back a source a stopped run left changed")
    args = ap.parse_args()

    build = (ROOT / args.build).resolve()
    source = Source(build)
    if args.restore:
        source.restore()
        return 0
    source.restore()

    tools = [t for t in args.tools.split(",") if t] or tool_names()
    enums = enum_members()
    pool = {t: [m for p in tool_sources(t) for m in mutants_of(t, p, enums)] for t in tools}
    for t in tools:
        random.Random(f"{args.seed}:{t}").shuffle(pool[t])
    quota = allot({t: len(pool[t]) for t in tools}, args.count)
    if args.only:
        wanted = set()
        for o in args.only:  # a key, or @FILE of keys one a line
            wanted |= set(Path(o[1:]).read_text().splitlines()) if o.startswith("@") else {o}
        pool = {t: [m for m in pool[t] if m.key in wanted] for t in tools}
        quota = {t: len(pool[t]) for t in tools}
    if args.list or args.every:
        for t in tools:
            for m in pool[t] if args.every else pool[t][:quota.get(t, 0)]:
                print(m.key)
        return 0

    equivalent = load_equivalent()
    print(f"mutation: seed {args.seed}, {sum(quota.values())} mutants over {len(quota)} tools, build {build}")
    configure(build, [t for t in tools if quota.get(t)], args.workflow_sweep)
    logs = build / "mutation-logs"
    shutil.rmtree(logs, ignore_errors=True)
    logs.mkdir(parents=True)

    # The unchanged tools pass their tests first, and their time sets the limit.
    limit, baseline = {}, {}
    for t in tools:
        if not quota.get(t):
            continue
        total = 0.0
        for step in test_steps(build, t, args.workflow_sweep):
            key = " ".join(step)
            if key not in baseline:
                code, baseline[key] = run(step, 1800, logs / f"{t}-baseline.log")
                if code != 0:
                    print(f"mutation: {t}'s tests fail unchanged (see {logs / (t + '-baseline.log')})", file=sys.stderr)
                    return 2
            total += baseline[key]
        limit[t] = 3 * total + 30
        print(f"mutation: {t} tests take {total:.0f} s unchanged; limit {limit[t]:.0f} s", flush=True)

    def stop(signum, _frame):
        for p in RUNNING:
            if p.poll() is None:
                os.killpg(p.pid, signal.SIGKILL)
        source.restore()
        sys.exit(128 + signum)

    for s in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        signal.signal(s, stop)

    # Results go to a file as they come, so a stopped run goes on from there (--resume).
    record = build / "mutation-results.jsonl"
    done = {}
    if args.resume and record.exists():
        for line in record.read_text().splitlines():
            r = json.loads(line)
            done[r["mutant"]] = (r["status"], r["by"])
    elif not args.only:
        record.write_text("")
    # The tools take turns, in proportion to their quotas, so a run cut short still
    # holds every tool.
    turns = sorted((i / quota[t], t) for t in tools for i in range(quota.get(t, 0)))
    left_of = {t: iter(pool[t]) for t in tools}
    results, played = [], 0
    total_quota = sum(quota.values())
    try:
        for _, t in turns:
            for m in left_of[t]:
                if m.key in done:
                    status, how = done[m.key]
                    results.append((m, status, how))
                    if status == "stillborn":
                        continue
                    played += 1
                    break
                source.apply(m)
                try:
                    log = logs / f"{len(results) + 1:03d}.log"
                    log.write_text(m.key + "\n")
                    code, _ = run(["cmake", "--build", str(build), "--target", *targets_of(t)], 600, log)
                    if code != 0:
                        status, how = "stillborn", ""
                    else:
                        status, left, how = "survived", limit[t], ""
                        for step in test_steps(build, t, args.workflow_sweep):
                            code, took = run(step, left, log)
                            left -= took
                            if code is None:
                                status, how = "killed", "time limit"
                                break
                            if code != 0:
                                status, how = "killed", Path(step[0]).name
                                break
                finally:
                    source.restore()
                    # Every other tool's tests load this tool too (the workflow): unchanged again.
                    run(["cmake", "--build", str(build), "--target", *targets_of(t)], 600, log)
                results.append((m, status, how))
                with open(record, "a") as out:
                    out.write(json.dumps({"mutant": m.key, "tool": t, "status": status, "by": how}) + "\n")
                if status == "stillborn":
                    continue
                played += 1
                shown = "equivalent" if status == "survived" and m.key in equivalent else status
                print(f"[{played}/{total_quota}] {m.key}: {shown}{' by ' + how if how else ''}", flush=True)
                break
    finally:
        source.restore()

    results = [(m, "equivalent" if s == "survived" and m.key in equivalent else s, h) for m, s, h in results]
    (build / "mutation-results.json").write_text(
        json.dumps([{"mutant": m.key, "tool": m.tool, "status": s, "by": h} for m, s, h in results], indent=1))
    print(f"\n{'tool':20} {'killed':>8} {'survived':>9} {'equivalent':>11} {'stillborn':>10} {'score':>7}")
    sums = [0, 0, 0, 0]
    for t in tools:
        row = [sum(1 for m, s, _ in results if m.tool == t and s == k)
               for k in ("killed", "survived", "equivalent", "stillborn")]
        sums = [a + b for a, b in zip(sums, row)]
        if any(row):
            share = f"{100.0 * row[0] / (row[0] + row[1]):6.1f}%" if row[0] + row[1] else "     --"
            print(f"{t:20} {row[0]:8} {row[1]:9} {row[2]:11} {row[3]:10} {share}")
    killed, survived = sums[0], sums[1]
    score = 100.0 * killed / (killed + survived) if killed + survived else 100.0
    print(f"{'all':20} {sums[0]:8} {sums[1]:9} {sums[2]:11} {sums[3]:10} {score:6.1f}%")
    for m, s, _ in results:
        if s == "survived":
            print(f"survivor: {m.key}")
        elif s == "killed" and m.key in equivalent:
            print(f"mutation: listed as equivalent but killed (take it off the list): {m.key}", file=sys.stderr)
    if score < args.target:
        print(f"mutation: {score:.1f}% killed, below the target of {args.target:.0f}%", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
