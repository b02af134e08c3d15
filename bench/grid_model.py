# Writes a 2.2 MB MS3D model (a 120 x 120 vertex grid, 28322 triangles, one material, two joints
# with keys) for timing `korva export` against `korva convert` of the same file:
#   python3 bench/grid_model.py /tmp/grid.ms3d
#   time korva export -q /tmp/grid.ms3d -o /tmp/grid.glb; time korva convert -q /tmp/grid.ms3d -o /tmp/grid.dbo
import sys
import struct, math
n = 120
out = bytearray(b'MS3D000000' + struct.pack('<i', 4))
out += struct.pack('<H', n * n)
for y in range(n):
    for x in range(n):
        z = 0.3 * math.sin(x * 0.2) * math.cos(y * 0.2)
        out += struct.pack('<B3fbB', 0, x * 0.1, y * 0.1, z, 0 if x < n // 2 else 1, 6)
tris = []
for y in range(n - 1):
    for x in range(n - 1):
        a = y * n + x
        tris.append((a, a + 1, a + n + 1)); tris.append((a, a + n + 1, a + n))
out += struct.pack('<H', len(tris))
for t in tris:
    out += struct.pack('<H3H', 0, *t) + struct.pack('<9f', *([0, 0, 1] * 3))
    out += struct.pack('<3f3fBB', 0, 1, 1, 0, 0, 1, 1, 0)
out += struct.pack('<H', 1)
out += struct.pack('<B32sH', 0, b'grid', len(tris)) + struct.pack('<%dH' % len(tris), *range(len(tris))) + struct.pack('<b', 0)
out += struct.pack('<H', 1)
out += struct.pack('<32s4f4f4f4fffB128s128s', b'mat', *([0.2]*4), *([0.8]*4), *([0]*4), *([0]*4), 0, 1, 0, b'', b'')
out += struct.pack('<ffi', 24, 0, 30)
out += struct.pack('<H', 2)
for j, (name, parent) in enumerate([(b'root', b''), (b'arm', b'root')]):
    out += struct.pack('<B32s32s3f3fHH', 0, name, parent, 0, 0, 0, 6 * j, 0, 0, 3, 3)
    for k in range(3): out += struct.pack('<4f', k * 0.5, 0, 0.3 * k, 0)
    for k in range(3): out += struct.pack('<4f', k * 0.5, 0, 0, 0.1 * k)
open(sys.argv[1], 'wb').write(out)
print(len(out))
