#!/usr/bin/env python3
# Writes the Draco fuzz target's seeds (fuzz/corpus/gltf_draco/) from the Draco-compressed test
# assets: one per compressed primitive, its description (points, triangles, then semantic, Draco
# id and component type of each attribute) followed by its stream, as gltf_draco_fuzzer reads them.
#   python3 fuzz/draco_seeds.py tests/gltf/draco/*.draco.glb
import json
import os
import struct
import sys

SEMANTICS = ["POSITION", "NORMAL", "TEXCOORD_0", "JOINTS_0", "WEIGHTS_0"]
COMPONENT_TYPES = [5120, 5121, 5122, 5123, 5125, 5126]
out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "gltf_draco")
os.makedirs(out, exist_ok=True)
for path in sys.argv[1:]:
    data = open(path, "rb").read()
    length = struct.unpack_from("<I", data, 12)[0]
    document = json.loads(data[20:20 + length])
    bin_ = data[20 + length + 8:]
    for m, mesh in enumerate(document["meshes"]):
        for p, primitive in enumerate(mesh["primitives"]):
            draco = primitive.get("extensions", {}).get("KHR_draco_mesh_compression")
            if not draco:
                continue
            accessors = document["accessors"]
            entries = [(s, draco["attributes"][s], accessors[primitive["attributes"][s]])
                       for s in SEMANTICS if s in draco["attributes"]]
            points = entries[0][2]["count"]
            triangles = accessors[primitive["indices"]]["count"] // 3
            head = struct.pack("<HHB", points, triangles, len(entries))
            for semantic, unique_id, accessor in entries:
                head += bytes([SEMANTICS.index(semantic), unique_id,
                               COMPONENT_TYPES.index(accessor["componentType"])])
            view = document["bufferViews"][draco["bufferView"]]
            start = view.get("byteOffset", 0)
            stream = bin_[start:start + view["byteLength"]]
            name = os.path.basename(path).replace(".draco.glb", "") + "_%d_%d" % (m, p)
            open(os.path.join(out, name), "wb").write(head + stream)
