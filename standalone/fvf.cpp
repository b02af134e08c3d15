#include "standalone/fvf.h"

namespace korva::standalone {
namespace {
constexpr uint32_t kPositionMask = 0x400E;
constexpr uint32_t kXyz = 0x002;
constexpr uint32_t kXyzRhw = 0x004;
constexpr uint32_t kXyzB1 = 0x006;
constexpr uint32_t kXyzB5 = 0x00E;
constexpr uint32_t kXyzW = 0x4002;
constexpr uint32_t kNormal = 0x010;
constexpr uint32_t kPointSize = 0x020;
constexpr uint32_t kDiffuse = 0x040;
constexpr uint32_t kSpecular = 0x080;
constexpr uint32_t kTextureCountMask = 0xF00;
constexpr int kTextureCountShift = 8;
constexpr int kMaxTextureSets = 8;

uint32_t PositionBytes(uint32_t fvf) {
  const uint32_t position = fvf & kPositionMask;
  if (position == kXyz) return 12;
  if (position == kXyzRhw || position == kXyzW) return 16;
  if (position >= kXyzB1 && position <= kXyzB5) {
    // XYZB1 carries one blend weight, each step of 2 in the code one more.
    return 12 + 4 * ((position - kXyzB1) / 2 + 1);
  }
  return 0;
}

// Floats of texture set `set`: the two TEXCOORDSIZE bits at 16 + 2 x set (0: 2, 1: 3, 2: 4, 3: 1).
uint32_t TextureSetBytes(uint32_t fvf, int set) {
  static constexpr uint32_t kFloats[4] = {2, 3, 4, 1};
  return 4 * kFloats[(fvf >> (16 + 2 * set)) & 3];
}
}  // namespace

uint32_t FvfVertexSize(uint32_t fvf) {
  uint32_t size = PositionBytes(fvf);
  if (fvf & kNormal) size += 12;
  if (fvf & kPointSize) size += 4;
  if (fvf & kDiffuse) size += 4;
  if (fvf & kSpecular) size += 4;
  int sets = static_cast<int>((fvf & kTextureCountMask) >> kTextureCountShift);
  if (sets > kMaxTextureSets) sets = kMaxTextureSets;
  for (int set = 0; set < sets; ++set) size += TextureSetBytes(fvf, set);
  return size;
}

bool FvfHasPosition(uint32_t fvf) {
  return PositionBytes(fvf) != 0;
}

}  // namespace korva::standalone
