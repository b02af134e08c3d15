# Writes a .glb asset shaped like the usual small animated character: a skinned mesh of 1728
# vertices (576 triangles, no indices) on 24 joints, and three clips ("Survey", "Walk", "Run") of
# 83, 18 and 25 keys at 24 keys a second (between the 25 frames a second of `korva convert`), each
# turning 23 joints and moving the root: for timing `korva convert` of several clips and for
# seeing what keys of every kind cost in the DBO file.
#   python3 bench/clips_asset.py /tmp/clips.glb
#   korva convert /tmp/clips.glb -o /tmp/clips.dbo
import json
import math
import struct
import sys

JOINTS = 24
RINGS, SIDES = 24, 12  # 24 rings of 12 quads: 576 triangles
bin_ = bytearray()
views, accessors = [], []


def add_view(data, target=None):
    while len(bin_) % 4:
        bin_.append(0)
    view = {"buffer": 0, "byteOffset": len(bin_), "byteLength": len(data)}
    if target:
        view["target"] = target
    bin_.extend(data)
    views.append(view)
    return len(views) - 1


def add_floats(values, type_, count, bounds=False, target=None):
    view = add_view(struct.pack("<%df" % len(values), *values), target)
    accessor = {"bufferView": view, "componentType": 5126, "count": count, "type": type_}
    if bounds:
        width = len(values) // count
        accessor["min"] = [min(values[i::width]) for i in range(width)]
        accessor["max"] = [max(values[i::width]) for i in range(width)]
    accessors.append(accessor)
    return len(accessors) - 1


# A tube along y, one ring of joints' influence per joint; every triangle has its own corners.
positions, joints, weights = [], [], []
for ring in range(RINGS):
    for side in range(SIDES):
        for r, s in ((ring, side), (ring, side + 1), (ring + 1, side + 1),
                     (ring, side), (ring + 1, side + 1), (ring + 1, side)):
            angle = 2 * math.pi * s / SIDES
            positions += [math.cos(angle), r * 0.5, math.sin(angle)]
            j = min(r, JOINTS - 1)
            k = min(j + 1, JOINTS - 1)
            joints += [j, k, 0, 0]
            weights += [0.75, 0.25, 0, 0] if k != j else [1, 0, 0, 0]
count = len(positions) // 3
assert count == 1728, count
position_accessor = add_floats(positions, "VEC3", count, True, 34962)
view = add_view(struct.pack("<%dH" % len(joints), *joints), 34962)
accessors.append({"bufferView": view, "componentType": 5123, "count": count, "type": "VEC4"})
joint_accessor = len(accessors) - 1
weight_accessor = add_floats(weights, "VEC4", count, False, 34962)

# Joints: a chain up the tube, each half a unit above its parent.
nodes = [{"name": "Body", "mesh": 0, "skin": 0}]
for j in range(JOINTS):
    node = {"name": "joint%d" % j, "translation": [0, 0.5 if j else 0, 0]}
    if j + 1 < JOINTS:
        node["children"] = [j + 2]
    nodes.append(node)
inverse_binds = []
for j in range(JOINTS):
    inverse_binds += [1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, -0.5 * j, 0, 1]
ibm = add_floats(inverse_binds, "MAT4", JOINTS)

animations = []
for name, keys, speed in (("Survey", 83, 1.0), ("Walk", 18, 2.0), ("Run", 25, 3.0)):
    times = [k / 24.0 for k in range(keys)]
    time_accessor = add_floats(times, "SCALAR", keys, True)
    samplers, channels = [], []
    for j in range(1, JOINTS):
        rotations = []
        for k in range(keys):
            angle = 0.3 * math.sin(speed * 2 * math.pi * k / keys + j)
            axis = (math.cos(j), 0.0, math.sin(j))
            s = math.sin(angle / 2)
            rotations += [axis[0] * s, axis[1] * s, axis[2] * s, math.cos(angle / 2)]
        samplers.append({"input": time_accessor, "output": add_floats(rotations, "VEC4", keys)})
        channels.append({"sampler": len(samplers) - 1,
                         "target": {"node": j + 1, "path": "rotation"}})
    moves = []
    for k in range(keys):
        moves += [0, 0.1 * math.sin(speed * 2 * math.pi * k / keys), 0.2 * speed * k / keys]
    samplers.append({"input": time_accessor, "output": add_floats(moves, "VEC3", keys)})
    channels.append({"sampler": len(samplers) - 1, "target": {"node": 1, "path": "translation"}})
    animations.append({"name": name, "samplers": samplers, "channels": channels})

document = {
    "asset": {"version": "2.0"},
    "scene": 0,
    "scenes": [{"nodes": [0, 1]}],
    "nodes": nodes,
    "meshes": [{"primitives": [{"attributes": {"POSITION": position_accessor,
                                               "JOINTS_0": joint_accessor,
                                               "WEIGHTS_0": weight_accessor}}]}],
    "skins": [{"joints": list(range(1, JOINTS + 1)), "inverseBindMatrices": ibm}],
    "animations": animations,
    "buffers": [{"byteLength": len(bin_)}],
    "bufferViews": views,
    "accessors": accessors,
}
text = json.dumps(document, separators=(",", ":")).encode()
text += b" " * (-len(text) % 4)
while len(bin_) % 4:
    bin_.append(0)
glb = struct.pack("<4sII", b"glTF", 2, 12 + 8 + len(text) + 8 + len(bin_))
glb += struct.pack("<I4s", len(text), b"JSON") + text
glb += struct.pack("<I4s", len(bin_), b"BIN\0") + bin_
with open(sys.argv[1], "wb") as f:
    f.write(glb)
