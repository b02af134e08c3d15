# Writes MS3D models animated as by hand: every joint keyed at frames of its own (each key time
# frame / fps, which the reader turns back into that whole frame), so most of the model's key
# frames fall between a joint's keys. The import poses every joint at every key frame of the
# model; the peer keeps each joint's keys as they are. For timing that case in process:
#   python3 bench/keyed_models.py /tmp/keyed
#   korva_bench --benchmark_filter='^real_(peer_)?import/keyed' /tmp/keyed/*.ms3d
# keyed_human48: 48 joints, 9 groups, 100 frames, 8 to 20 keys a joint (about 100 KB);
# keyed_shared48: the same with every joint keyed at the same frames; keyed_char28: 28 joints,
# 3 groups, 60 frames, 5 to 15 keys; keyed_long46: 46 joints, 4 groups, 1000 frames, 20 to 60 keys;
# keyed_few48: 48 joints and 9 groups, 1 to 3 keys a joint (a rig with a handful of keys set by
# hand); keyed_fewshared48: the same keyed at shared frames (the cost of the mesh and skeleton).
import os
import random
import struct
import sys


def f32(x):
    return struct.unpack('<f', struct.pack('<f', x))[0]


def model(seed, joints, groups, frames, keys, shared=False, fps=24.0):
    r = random.Random(seed)
    out = bytearray(b'MS3D000000' + struct.pack('<i', 4))
    per_group = 60
    out += struct.pack('<H', per_group * groups)
    for v in range(per_group * groups):
        # A group's vertices move with a handful of neighbouring joints.
        bone = (v // per_group * 5 + r.randrange(5)) % joints
        out += struct.pack('<B3fbB', 0, *(r.uniform(-5, 5) for _ in range(3)), bone, 0)
    triangles = 100
    out += struct.pack('<H', triangles * groups)
    for t in range(triangles * groups):
        g = t // triangles
        corners = [g * per_group + r.randrange(per_group) for _ in range(3)]
        out += struct.pack('<H3H', 0, *corners) + struct.pack('<9f', *([0, 0, 1] * 3))
        out += struct.pack('<3f3fBB', 0, 1, 1, 0, 0, 1, 1, g)
    out += struct.pack('<H', groups)
    for g in range(groups):
        first = g * triangles
        out += struct.pack('<B32sH', 0, b'g%d' % g, triangles)
        out += struct.pack('<%dH' % triangles, *range(first, first + triangles)) + struct.pack('<b', -1)
    out += struct.pack('<H', 0)  # no materials
    out += struct.pack('<ffi', fps, 0, frames)
    out += struct.pack('<H', joints)
    common = sorted(set(r.sample(range(frames), r.randint(*keys))) | {0})

    def key_frames():
        return common if shared else sorted(set(r.sample(range(frames), r.randint(*keys))) | {0})

    def time(frame):
        t = f32(frame / fps)
        assert f32(t * fps) == frame
        return t

    for j in range(joints):
        parent = b'' if j == 0 else b'j%d' % r.randint(max(0, j - 4), j - 1)
        rotation_frames = key_frames()
        position_frames = key_frames() if r.random() < 0.5 else rotation_frames
        rest = [r.uniform(-1, 1) for _ in range(3)] + [r.uniform(-2, 2) for _ in range(3)]
        out += struct.pack('<B32s32s3f3fHH', 0, b'j%d' % j, parent, *rest,
                           len(rotation_frames), len(position_frames))
        for frame in rotation_frames:
            out += struct.pack('<4f', time(frame), *(r.uniform(-1.5, 1.5) for _ in range(3)))
        for frame in position_frames:
            out += struct.pack('<4f', time(frame), *(r.uniform(-1, 1) for _ in range(3)))
    return out


folder = sys.argv[1]
os.makedirs(folder, exist_ok=True)
for name, made in [('keyed_human48', model(1, 48, 9, 100, (8, 20))),
                   ('keyed_shared48', model(1, 48, 9, 100, (8, 20), shared=True)),
                   ('keyed_char28', model(3, 28, 3, 60, (5, 15))),
                   ('keyed_long46', model(2, 46, 4, 1000, (20, 60))),
                   ('keyed_few48', model(1, 48, 9, 100, (1, 3))),
                   ('keyed_fewshared48', model(1, 48, 9, 100, (1, 3), shared=True))]:
    with open(os.path.join(folder, name + '.ms3d'), 'wb') as f:
        f.write(made)
