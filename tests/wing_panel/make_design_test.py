#!/usr/bin/env python3
"""The wing panel generator: the plain panel as it always was, real joints (staggered
rows on a curved skin, each rivet's axis normal to it), and a workflow within the
tools' limits at the size of a wing set.

    make_design_test.py MAKE_DESIGN
"""
import fnmatch
import hashlib
import json
import math
import os
import subprocess
import sys
import tempfile
import unittest

MAKE_DESIGN = None
SKIN_RADIUS = 4000.0
GROUP_MAX = 30000  # the group tool's limit
POINT_ID_PREFIX = 9  # characters of the route's part number the walk keeps


def generate(folder, *options):
    subprocess.run([sys.executable, MAKE_DESIGN, "--out", folder] + list(options), check=True,
                   stdout=subprocess.DEVNULL)
    with open(os.path.join(folder, "design.json")) as f:
        design = json.load(f)
    with open(os.path.join(folder, "workflow.json")) as f:
        workflow = json.load(f)
    scripts = {}
    for run in workflow["runs"]:
        if "script" in run:
            with open(os.path.join(folder, run["script"])) as f:
                scripts[run["script"]] = json.load(f)
    return design, workflow, scripts


def digest(folder):
    h = hashlib.sha256()
    for root, _, files in sorted(os.walk(folder)):
        for name in sorted(files):
            path = os.path.join(root, name)
            h.update(os.path.relpath(path, folder).encode() + b"\0")
            with open(path, "rb") as f:
                h.update(f.read())
    return h.hexdigest()


def cross(a, b):
    return [a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]]


def dot(a, b):
    return sum(x * y for x, y in zip(a, b))


def frame(component):
    x = component.get("x", [1.0, 0.0, 0.0])
    y = component.get("y", [0.0, 1.0, 0.0])
    return component.get("origin", [0.0, 0.0, 0.0]), x, y, cross(x, y)


def to_parent(parent, point=None, axis=None):
    origin, x, y, z = parent
    v = point if point is not None else axis
    out = [x[k] * v[0] + y[k] * v[1] + z[k] * v[2] for k in range(3)]
    return [origin[k] + out[k] for k in range(3)] if point is not None else out


def joint_rivets(design):
    """(joint instance, joint part, rivets) of every joint of the panel."""
    parts = {p["name"]: p for p in design["parts"]}
    for holder in ("@DB/STRINGER_SET/A", "@DB/RIB_SET/A"):
        for joint in parts[holder].get("components", []):
            part = parts[joint["part"]]
            yield joint, part, [c for c in part["components"] if c["name"] not in ("STRINGER", "FRAME")]


class PlainPanel(unittest.TestCase):
    def test_the_plain_panel_is_byte_for_byte_what_it_was(self):
        # Digests of the generator's files before real joints and wing-set sizes came in.
        for rivets, expected in (("1000", "1f1308dc2f4cd4978e7a7abc58e1bbb2ecf096bae11a91ece85ba4320a194231"),
                                 ("150", "ce9840e06ca183952f0f018d00365059eef9705405d157f22674f7e2f3538e01")):
            with tempfile.TemporaryDirectory() as out:
                generate(out, "--rivets", rivets)
                self.assertEqual(digest(out), expected, rivets + " rivets")


class RealJoints(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.TemporaryDirectory()
        cls.design, cls.workflow, cls.scripts = generate(cls.dir.name, "--rivets", "1000", "--real-joints")

    @classmethod
    def tearDownClass(cls):
        cls.dir.cleanup()

    def absolute_rivets(self):
        for joint, _, rivets in joint_rivets(self.design):
            j = frame(joint)
            for r in rivets:
                o, x, y, z = frame(r)
                yield joint, r, to_parent(j, point=o), [to_parent(j, axis=a) for a in (x, y, z)]

    def test_every_rivet_lies_on_the_skin_its_axis_normal_to_it(self):
        stringer_y = sorted({j["origin"][1] for j, _, _ in joint_rivets(self.design) if "x" not in j})
        centre = (stringer_y[0] + stringer_y[-1]) / 2
        count = 0
        curved = False
        for _, r, at, (x, y, z) in self.absolute_rivets():
            # A cylinder about the span (X), touching the plane z = 0 at the panel's middle.
            axis_distance = math.hypot(at[1] - centre, at[2] - SKIN_RADIUS)
            self.assertAlmostEqual(axis_distance, SKIN_RADIUS, delta=1e-5, msg=r["name"])
            normal = [0.0, (centre - at[1]) / SKIN_RADIUS, (SKIN_RADIUS - at[2]) / SKIN_RADIUS]
            self.assertAlmostEqual(dot(z, normal), 1.0, delta=1e-8, msg=r["name"])
            for a in (x, y):
                self.assertAlmostEqual(dot(a, a), 1.0, delta=1e-8)
            self.assertAlmostEqual(dot(x, y), 0.0, delta=1e-8)
            curved = curved or abs(at[2]) > 10.0
            count += 1
        self.assertEqual(count, 990)
        self.assertTrue(curved, "the skin is not curved")

    def test_two_staggered_rows_per_joint(self):
        for joint, part, rivets in joint_rivets(self.design):
            self.assertEqual([r["name"] for r in rivets],
                             ["%sR%02d" % (joint["name"][len("JOINT_"):], i + 1) for i in range(99)])
            rows = sorted({r["origin"][1] for r in rivets})
            self.assertEqual(len(rows), 2, joint["name"])
            first = [r["origin"][0] for r in rivets if r["origin"][1] == rows[0]]
            second = [r["origin"][0] for r in rivets if r["origin"][1] == rows[1]]
            self.assertEqual((len(first), len(second)), (50, 49))
            pitch = first[1] - first[0]
            # The second row half a pitch on: no rivet of it beside one of the first.
            self.assertAlmostEqual(second[0] - first[0], pitch / 2, delta=1e-9)
            self.assertTrue(all(min(abs(s - f) for f in first) >= pitch / 2 - 1e-9 for s in second))

    def test_rib_rivets_stop_short_of_the_stringers_and_no_two_rivets_meet(self):
        points = [at for _, _, at, _ in self.absolute_rivets()]
        stringer_y = sorted({at[1] for j, _, at, _ in self.absolute_rivets() if "x" not in j})
        for joint, r, at, _ in self.absolute_rivets():
            if "x" in joint:
                self.assertTrue(all(abs(at[1] - y) >= 15.0 - 1e-9 for y in stringer_y), r["name"])
        cells = {}
        for p in points:
            cells.setdefault((int(p[0] // 10), int(p[1] // 10)), []).append(p)
        for (cx, cy), here in cells.items():
            near = [q for dx in (-1, 0, 1) for dy in (-1, 0, 1) for q in cells.get((cx + dx, cy + dy), [])]
            for p in here:
                self.assertEqual(sum(1 for q in near if math.dist(p, q) < 10.0), 1, p)

    def test_the_workflow_is_the_plain_panels(self):
        with tempfile.TemporaryDirectory() as out:
            _, plain, scripts = generate(out, "--rivets", "1000")
        self.assertEqual(self.workflow, plain)
        self.assertEqual(self.scripts, scripts)


class WingSet(unittest.TestCase):
    """100,000 rivets: every step of the workflow within what the tools take."""

    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.TemporaryDirectory()
        cls.design, cls.workflow, cls.scripts = generate(cls.dir.name, "--rivets", "100000")
        cls.runs = [(r["tool"], cls.scripts[r["script"]]) for r in cls.workflow["runs"] if "tool" in r]
        cls.rivets = {j["name"]: [r["name"] for r in rivets] for j, _, rivets in joint_rivets(cls.design)}

    @classmethod
    def tearDownClass(cls):
        cls.dir.cleanup()

    def routes_made(self):
        routes = []
        for tool, script in self.runs:
            if tool == "route_create":
                items = {e["enter"]: e["value"] for e in script["actions"][0]["styler"] if isinstance(e, dict)}
                routes += ["%s_%03d%s" % (items["PATH_NAME"], items["INIT_PATH"] + k, items["SUFFIX"])
                           for k in range(items["PATH_COUNT"])]
        return routes

    def test_routes_have_three_digits_and_walked_names_of_their_own(self):
        routes = self.routes_made()
        self.assertEqual(len(routes), len(self.rivets))
        self.assertEqual(len(routes), 1010)
        self.assertTrue(all(len(r.split("_")[1]) == 3 for r in routes), routes)
        self.assertEqual(len({r[:POINT_ID_PREFIX] for r in routes}), len(routes))
        transfers = [s["actions"][2]["select"][0] for t, s in self.runs if t == "rivet_transfer"]
        walks = [s["actions"][0]["select"][0] for t, s in self.runs if t == "route_walk"]
        self.assertEqual(sorted(transfers), sorted(routes))
        self.assertEqual(sorted(walks), sorted(routes))
        checked = next(s for t, s in self.runs if t == "route_check")["actions"][0]["select"]
        self.assertTrue(all(any(fnmatch.fnmatchcase(r, p) for p in checked) for r in routes))
        exported = next(s for t, s in self.runs if t == "fpdf_export")["actions"][1]["select"]
        self.assertEqual(sorted(exported), sorted(routes))

    def test_every_rivet_is_marked(self):
        marks = next(s for t, s in self.runs if t == "rivet_mark")["actions"][1]["select"]
        names = [n for rivets in self.rivets.values() for n in rivets]
        self.assertEqual(len(names), 99990)
        self.assertTrue(all(any(fnmatch.fnmatchcase(n, p) for p in marks) for n in names))

    def test_no_fastener_group_above_the_group_tools_limit_and_every_route_in_one(self):
        actions = next(s for t, s in self.runs if t == "rivet_group_attr")["actions"]
        picks = [a["select"] for a in actions if "select" in a]
        self.assertGreater(len(picks), 3)
        for pick in picks:
            self.assertLessEqual(99 * len(pick), GROUP_MAX)
        given = sorted(p[:-2] for pick in picks for p in pick)
        self.assertEqual(given, sorted(self.routes_made()))
        self.assertEqual(actions[-1], {"message_dialog": "CANCEL"})


class TooLarge(unittest.TestCase):
    def test_more_routes_than_nine_names_hold_are_refused(self):
        with tempfile.TemporaryDirectory() as out:
            done = subprocess.run([sys.executable, MAKE_DESIGN, "--out", out, "--rivets", str(9 * 999 * 99 + 99)],
                                  capture_output=True, text=True)
            self.assertEqual(done.returncode, 2)
            self.assertIn("at most 890109 rivets", done.stderr)
            self.assertEqual(os.listdir(out), [])


if __name__ == "__main__":
    MAKE_DESIGN = sys.argv.pop(1)
    unittest.main()
