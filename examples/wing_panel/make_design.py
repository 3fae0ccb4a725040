#!/usr/bin/env python3
"""Writes a wing panel of any size and the workflow that takes it to a machine file.

    make_design.py --rivets 20000 --out DIR [--real-joints]

DIR receives design.json (the designer's panel and the empty flat assembly),
workflow.json and workflow/ (one engineer script per run). The panel holds
joints of 99 rivets each, as many as fit in the rivet count (at least one):
stringer segments along the span and rib joints across it, every joint a
sub-assembly of its profile and its rivets, three levels below the panel.
The workflow is the sample panel's at scale: flat assembly, marking, one route
per joint, one transfer and one walk per route, group attributes with three
fasteners, the route check and the export of every route.

With --real-joints the joints are as on a real panel: two staggered rows (the
second half a pitch on), rib rivets stopping short of every stringer they cross,
and a skin curved about the span, each rivet on it with its axis normal to it.

At the size of a wing set the workflow stays within the tools' limits: a fastener
group of more than the group tool's 30,000 rivets is given in several picks, and
routes past 999 take the next name (WING2_001_RT, ...), since the walk keeps only
9 characters of the route's part number.
"""
import argparse
import json
import math
import os

PER_JOINT = 99  # a route holds at most 99 rivets
STRINGER_PITCH = 25.0
RIB_PITCH = 30.0
STRINGER_SPACING = 150.0
SEGMENT_LENGTH = STRINGER_PITCH * (PER_JOINT + 1)
ROUTE_NAME = "WING%d"  # WING1, WING2, ... up to WING9: 999 routes each
ROUTES_PER_NAME = 999
ROUTE_NAMES = 9  # WING10_001 would lose its last digit: the walk keeps 9 characters
ROUTE_PREFIX = ROUTE_NAME % 1  # route parts WING1_001_RT ...: the walk keeps 9 characters, WING1_001_NN
GROUP_MAX = 30000  # rivets the group tool takes in one pick
# Real joints: rows and gaps (mm), the skin's radius about the span.
STRINGER_ROW_GAP = 20.0
RIB_ROW_GAP = 28.0
STRINGER_CLEARANCE = 15.0  # rib rivets keep this far from a stringer's rows
SKIN_RADIUS = 4000.0
FASTENERS = [  # (catalogue code, part, grip, process code entry or None, colour)
    ("3404579D35", "@DB/3404579D35/A", "9.5", None, 6),
    ("3404579D40", "@DB/3404579D40/A", "12.5", None, 6),
    ("3404480D50", "@DB/3404480D50/A", "14.0", 6, 186),
]


def rivet(name, x, y, part, color):
    return {"name": name, "part": part, "refset": "MODEL", "origin": [x, y, 0.0],
            "layer": 41, "color": color, "object_name": name, "name_origin": [x, y, 4.0]}


def staggered(per_joint, pitch, gap, skip):
    """Joint-local (x, y) of two staggered rows, the first row first, positions for
    which skip(x) holds left out."""
    rows = [[], []]
    wanted = [(per_joint + 1) // 2, per_joint // 2]
    for r in range(2):
        i = 0
        while len(rows[r]) < wanted[r]:
            x = pitch * (i + 1) + (pitch / 2 if r else 0.0)
            i += 1
            if not skip(x):
                rows[r].append((x, gap * r))
    return rows[0] + rows[1]


def on_skin(y, centre):
    """Height of the skin at y and the rivet's axes there (X along the span, Z
    normal to the skin): a cylinder about the span, flat at centre."""
    s = (y - centre) / SKIN_RADIUS
    c = math.sqrt(1.0 - s * s)
    return SKIN_RADIUS * (1.0 - c), [1.0, 0.0, 0.0], [0.0, c, s], [0.0, -s, c]


def real_rivet(name, local, joint_origin, is_rib, centre, part, color):
    """A rivet of a real joint: placed on the curved skin, its axes given in the
    joint's coordinates (a rib joint's X axis is the panel's Y axis)."""
    lx, ly = local
    y = joint_origin[1] + (lx if is_rib else ly)
    z, ax, ay, az = on_skin(y, centre)
    to_local = (lambda v: [v[1], -v[0], v[2]]) if is_rib else (lambda v: list(v))
    r = lambda v: [round(c, 9) + 0.0 for c in v]
    return {"name": name, "part": part, "refset": "MODEL", "origin": r([lx, ly, z]),
            "x": r(to_local(ax)), "y": r(to_local(ay)), "layer": 41, "color": color, "object_name": name,
            "name_origin": r([lx + 4.0 * to_local(az)[0], ly + 4.0 * to_local(az)[1], z + 4.0 * az[2]])}


def route_names(joints):
    return ["%s_%03d_RT" % (ROUTE_NAME % (k // ROUTES_PER_NAME + 1), k % ROUTES_PER_NAME + 1) for k in range(joints)]


def layout(joints):
    """Joint k: (kind letter, fastener index, origin, is_rib). Every third joint is a rib
    joint; the stringer segments fill rows along the span, the ribs cross them."""
    ribs = joints // 3
    stringers = joints - ribs
    rows = min(stringers, int(PER_JOINT * RIB_PITCH / STRINGER_SPACING))
    span = math.ceil(stringers / rows) * SEGMENT_LENGTH
    out = []
    s = r = 0
    for k in range(joints):
        if k % 3 == 2:
            # Between the stringer rivets' pitch, so no rivet of a rib meets one of a stringer.
            x = round(r * span / ribs / STRINGER_PITCH) * STRINGER_PITCH + STRINGER_PITCH / 2
            out.append(("F", 2, [x, 0.0, 0.0], True))
            r += 1
        else:
            row, segment = s % rows, s // rows
            out.append(("S", s % 2, [segment * SEGMENT_LENGTH, STRINGER_SPACING * (row + 1), 0.0], False))
            s += 1
    return out


def script(clock, actions):
    return {"clock": clock, "actions": actions}


def clock_at(minutes):
    start = 7 * 60  # 07:00 on the day of the sample panel
    m = start + minutes
    return "2026-12-%02d %02d:%02d:00" % (7 + m // (24 * 60), (m // 60) % 24, m % 60)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--rivets", type=int, default=20000, help="rivets wanted (rounded down to joints of 99)")
    parser.add_argument("--out", default=".", help="folder for design.json, workflow.json and workflow/")
    parser.add_argument("--real-joints", action="store_true",
                        help="two staggered rows per joint on a skin curved about the span")
    args = parser.parse_args()

    joints = max(1, args.rivets // PER_JOINT)
    if joints > ROUTE_NAMES * ROUTES_PER_NAME:
        parser.error("at most %d rivets: %d route names of %d routes" %
                     (ROUTE_NAMES * ROUTES_PER_NAME * PER_JOINT, ROUTE_NAMES, ROUTES_PER_NAME))
    per_joint = min(PER_JOINT, max(1, args.rivets))
    plan = layout(joints)
    stringer_rows = sorted({origin[1] for _, _, origin, is_rib in plan if not is_rib})
    centre = (min(stringer_rows) + max(stringer_rows)) / 2 if stringer_rows else 0.0

    parts, stringer_joints, rib_joints = [], [], []
    for k, (letter, fastener, origin, is_rib) in enumerate(plan):
        number = "%s%03d" % (letter, k + 1)
        code, part, grip, process, color = FASTENERS[fastener]
        pitch = RIB_PITCH if is_rib else STRINGER_PITCH
        if args.real_joints:
            if is_rib:
                places = staggered(per_joint, pitch, RIB_ROW_GAP,
                                   lambda y: any(at - STRINGER_CLEARANCE < y < at + STRINGER_ROW_GAP + STRINGER_CLEARANCE
                                                 for at in stringer_rows))
            else:
                places = staggered(per_joint, pitch, STRINGER_ROW_GAP, lambda x: False)
            rows = [real_rivet("%sR%02d" % (number, i + 1), at, origin, is_rib, centre, part, color)
                    for i, at in enumerate(places)]
        else:
            rows = [rivet("%sR%02d" % (number, i + 1), pitch * (i + 1), 0.0, part, color) for i in range(per_joint)]
        profile = ({"name": "FRAME", "part": "@DB/FRAME_C/A", "refset": "BODY", "color": 120} if is_rib else
                   {"name": "STRINGER", "part": "@DB/STRINGER_Z/A", "refset": "BODY", "color": 36})
        parts.append({"name": "@DB/JOINT_%s/A" % number, "components": [profile] + rows})
        placed = {"name": "JOINT_" + number, "part": "@DB/JOINT_%s/A" % number, "origin": origin}
        if is_rib:
            # Ribs run across the span: the joint's X axis is the panel's Y axis.
            placed.update({"x": [0.0, 1.0, 0.0], "y": [-1.0, 0.0, 0.0]})
            rib_joints.append(placed)
        else:
            stringer_joints.append(placed)

    turn = math.radians(30.0)
    flat = {"name": "@DB/WING_FLAT/A",
            "wcs": {"origin": [-50.0, -80.0, 12.0],
                    "x": [round(math.cos(turn), 12), round(math.sin(turn), 12), 0.0],
                    "y": [round(-math.sin(turn), 12), round(math.cos(turn), 12), 0.0]}}
    panel = {"name": "@DB/WING_PANEL/A",
             "components": [{"name": "SKIN", "part": "@DB/SKIN_WING/A", "refset": "BODY", "color": 87},
                            {"name": "STRINGERS", "part": "@DB/STRINGER_SET/A"},
                            {"name": "RIBS", "part": "@DB/RIB_SET/A"}]}
    session = {"managed": True, "display": "@DB/WING_PANEL/A",
               "parts": [panel, {"name": "@DB/STRINGER_SET/A", "components": stringer_joints},
                         {"name": "@DB/RIB_SET/A", "components": rib_joints}, flat] + parts
               + [{"name": n, "bodies": 1} for n in
                  ["@DB/SKIN_WING/A", "@DB/STRINGER_Z/A", "@DB/FRAME_C/A"] + sorted(f[1] for f in FASTENERS)]}

    routes = route_names(joints)
    names = [ROUTE_NAME % (n + 1) for n in range((joints - 1) // ROUTES_PER_NAME + 1)]
    numbers = ["%s%03d" % (letter, k + 1) for k, (letter, _, _, _) in enumerate(plan)]
    runs = []
    scripts = {}
    minute = 0

    def add(name, tool, actions, minutes=1):
        nonlocal minute
        scripts[name] = script(clock_at(minute), actions)
        runs.append({"tool": tool, "script": "workflow/" + name})
        minute += minutes

    add("01_flat_assembly.json", "flat_assembly",
        [{"wait": 20}, {"select": ["SKIN", "STRINGERS", "RIBS"]}, {"choice": "open file"},
         {"open_part": "@DB/WING_FLAT/A"}], 10)
    # Joint numbers of three digits, and of four once there are more than 999 joints.
    marks = [letter + "?" * digits + "R??" for digits in range(3, max(3, len(str(joints))) + 1) for letter in "SF"]
    add("02_rivet_mark.json", "rivet_mark", [{"wait": 45}, {"select": marks}], 10)
    for n, name in enumerate(names):
        count = min(ROUTES_PER_NAME, joints - n * ROUTES_PER_NAME)
        add("03_route_create.json" if n == 0 else "03_route_create_%s.json" % name, "route_create",
            [{"styler": [{"enter": "PATH_NAME", "value": name}, {"enter": "INIT_PATH", "value": 1},
                         {"enter": "PATH_COUNT", "value": count}, {"enter": "SUFFIX", "value": "_RT"}, "ok"]}], 10)
    runs.append({"reopen": True})
    for k in range(joints):
        add("05_rivet_transfer_%03d.json" % (k + 1), "rivet_transfer",
            [{"wait": 30}, {"select": [numbers[k] + "R*"]}, {"select": [routes[k]]}])
    group = []
    for f, (code, _, grip, process, _) in enumerate(FASTENERS):
        picks = [routes[k] + "/*" for k in range(joints) if plan[k][1] == f]
        steps = ([{"pick": "PROCESS_CODE", "entry": process}] if process is not None else []) + \
                [{"pick": "FAST_CODE", "text": code}, {"pick": "GRIP_LNG", "text": grip}, "ok"]
        # Within the group tool's limit: the same fastener again for the next routes.
        chunk = GROUP_MAX // per_joint
        for first in range(0, len(picks), chunk):
            group += [{"styler": steps}, {"select": picks[first:first + chunk]}, {"message_dialog": "OK"}]
    group[-1] = {"message_dialog": "CANCEL"}
    add("06_rivet_group_attr.json", "rivet_group_attr", group, 20)
    for k in range(joints):
        add("07_route_walk_%03d.json" % (k + 1), "route_walk",
            [{"select": [routes[k]]}, {"select": [routes[k] + "/" + numbers[k] + "R01"]}])
    add("08_route_check.json", "route_check", [{"select": [name + "_*" for name in names]}], 10)
    add("10_fpdf_export.json", "fpdf_export",
        [{"styler": [{"enter": "FPDF_NAME", "value": ROUTE_PREFIX}, {"enter": "ADD_FPDF_NAME", "value": "_01"}, "ok"]},
         {"select": routes}])

    os.makedirs(os.path.join(args.out, "workflow"), exist_ok=True)
    with open(os.path.join(args.out, "design.json"), "w") as out:
        json.dump(session, out, indent=1)
        out.write("\n")
    with open(os.path.join(args.out, "workflow.json"), "w") as out:
        json.dump({"session": "design.json", "runs": runs}, out, indent=1)
        out.write("\n")
    for name, content in scripts.items():
        with open(os.path.join(args.out, "workflow", name), "w") as out:
            json.dump(content, out, indent=1)
            out.write("\n")
    print("%d rivets in %d joints, %d runs: %s" % (joints * per_joint, joints, len(runs), args.out))


if __name__ == "__main__":
    main()
