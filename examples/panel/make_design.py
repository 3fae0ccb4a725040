#!/usr/bin/env python3
"""Writes design.json: a designer's riveted panel, several levels deep, and the empty
flat assembly the process engineer will fill.

The skin lies in the XY plane; four stringers run along X, three frames along Y.
Each joint sub-assembly holds its stringer or frame and the rivets that fasten it
to the skin, their axes normal to the skin. Run it again after changing the layout.
"""
import json
import math

RIVETS = {"D35": "@DB/3404579D35/A", "D40": "@DB/3404579D40/A", "D50": "@DB/3404480D50/A"}


def rivet(name, x, y, part, color):
    return {"name": name, "part": part, "refset": "MODEL", "origin": [x, y, 0.0],
            "layer": 41, "color": color, "object_name": name, "name_origin": [x, y, 4.0]}


def joint(name, profile, rivets):
    return {"name": name, "components": [profile] + rivets}


parts = []
stringer_joints = []
for k in range(4):
    y = 150.0 * (k + 1)
    rows = [rivet("S%dR%02d" % (k + 1, i + 1), 25.0 * (i + 1), 0.0, RIVETS["D35"] if k < 2 else RIVETS["D40"], 6)
            for i in range(47)]
    parts.append(joint("@DB/JOINT_S%d/A" % (k + 1),
                       {"name": "STRINGER", "part": "@DB/STRINGER_Z/A", "refset": "BODY", "color": 36}, rows))
    stringer_joints.append({"name": "JOINT_S%d" % (k + 1), "part": "@DB/JOINT_S%d/A" % (k + 1),
                            "origin": [0.0, y, 0.0]})
frame_joints = []
for k in range(3):
    x = 200.0 + 400.0 * k
    rows = [rivet("F%dR%02d" % (k + 1, i + 1), 30.0 * (i + 1), 0.0, RIVETS["D50"], 186) for i in range(24)]
    parts.append(joint("@DB/JOINT_F%d/A" % (k + 1),
                       {"name": "FRAME", "part": "@DB/FRAME_C/A", "refset": "BODY", "color": 120}, rows))
    # Frames run along Y: the joint's X axis is the panel's Y axis.
    frame_joints.append({"name": "JOINT_F%d" % (k + 1), "part": "@DB/JOINT_F%d/A" % (k + 1),
                         "origin": [x, 0.0, 0.0], "x": [0.0, 1.0, 0.0], "y": [-1.0, 0.0, 0.0]})

turn = math.radians(30.0)
# The flat assembly the process engineer prepared: empty, its WCS at the cell's
# reference point, turned against the panel's axes.
flat = {
    "name": "@DB/PANEL_FLAT/A",
    "wcs": {"origin": [-50.0, -80.0, 12.0],
            "x": [round(math.cos(turn), 12), round(math.sin(turn), 12), 0.0],
            "y": [round(-math.sin(turn), 12), round(math.cos(turn), 12), 0.0]},
}
panel = {
    "name": "@DB/PANEL_ASM/A",
    "components": [
        {"name": "SKIN", "part": "@DB/SKIN_1200/A", "refset": "BODY", "color": 87},
        {"name": "STRINGERS", "part": "@DB/STRINGER_SET/A"},
        {"name": "FRAMES", "part": "@DB/FRAME_SET/A"},
    ],
}
session = {
    "managed": True,
    "display": "@DB/PANEL_ASM/A",
    "parts": [panel,
              {"name": "@DB/STRINGER_SET/A", "components": stringer_joints},
              {"name": "@DB/FRAME_SET/A", "components": frame_joints}, flat]
             + parts
             + [{"name": n, "bodies": 1} for n in
                ["@DB/SKIN_1200/A", "@DB/STRINGER_Z/A", "@DB/FRAME_C/A"] + sorted(RIVETS.values())],
}
with open("design.json", "w") as out:
    json.dump(session, out, indent=1)
    out.write("\n")
