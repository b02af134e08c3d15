#include "commands/vertex_format.h"

#include "model/mesh.h"

namespace korva::commands {
namespace {

// FVF bits (Direct3D 9 values).
constexpr uint32_t kFvfPositionMask = 0x400E;
constexpr uint32_t kFvfXyz = 0x002;
constexpr uint32_t kFvfXyzRhw = 0x004;
constexpr uint32_t kFvfXyzB1 = 0x006;
constexpr uint32_t kFvfXyzB5 = 0x00E;
constexpr uint32_t kFvfXyzW = 0x4002;
constexpr uint32_t kFvfNormal = 0x010;
constexpr uint32_t kFvfPointSize = 0x020;
constexpr uint32_t kFvfDiffuse = 0x040;
constexpr uint32_t kFvfSpecular = 0x080;
constexpr uint32_t kFvfTexCountMask = 0xF00;
constexpr uint32_t kFvfTexCountShift = 8;
constexpr uint32_t kFvfMaxTexCoordSets = 8;

// Declaration values (Direct3D 9).
constexpr uint16_t kDeclarationEndStream = 0xFF;
constexpr uint8_t kUsageColour = 10;
constexpr uint8_t kTypePackedColour = 4;

uint32_t PositionBytes(uint32_t fvf) {
  const uint32_t position = fvf & kFvfPositionMask;
  if (position == kFvfXyz) return 12;
  if (position == kFvfXyzRhw || position == kFvfXyzW) return 16;
  if (position >= kFvfXyzB1 && position <= kFvfXyzB5) {
    const uint32_t blendWeights = (position - kFvfXyzB1) / 2 + 1;  // B1 = 0x006 ... B5 = 0x00E
    return 12 + 4 * blendWeights;
  }
  return 0;
}

// Per texture set, two bits at 16 + 2 x set: 0 two floats, 1 three, 2 four, 3 one.
uint32_t TexCoordBytes(uint32_t fvf, uint32_t set) {
  static constexpr uint32_t kBytes[4] = {8, 12, 16, 4};
  return kBytes[(fvf >> (16 + 2 * set)) & 3];
}

uint32_t DeclarationTypeBytes(uint8_t type) {
  // FLOAT1..FLOAT4, D3DCOLOR, UBYTE4, SHORT2, SHORT4, UBYTE4N, SHORT2N, SHORT4N, USHORT2N,
  // USHORT4N, UDEC3, DEC3N, FLOAT16_2, FLOAT16_4; anything else (UNUSED) takes no room.
  static constexpr uint32_t kBytes[] = {4, 8, 12, 16, 4, 4, 4, 8, 4, 4, 8, 4, 8, 4, 4, 4, 8};
  return type < sizeof kBytes / sizeof kBytes[0] ? kBytes[type] : 0;
}

}  // namespace

VertexLayout LayoutFromFvf(uint32_t fvf) {
  VertexLayout layout;
  uint32_t offset = PositionBytes(fvf);
  if (fvf & kFvfNormal) offset += 12;
  if (fvf & kFvfPointSize) offset += 4;
  if (fvf & kFvfDiffuse) {
    layout.diffuseOffset = static_cast<int32_t>(offset);
    offset += 4;
  }
  if (fvf & kFvfSpecular) offset += 4;
  uint32_t sets = (fvf & kFvfTexCountMask) >> kFvfTexCountShift;
  if (sets > kFvfMaxTexCoordSets) sets = kFvfMaxTexCoordSets;
  for (uint32_t set = 0; set < sets; ++set) offset += TexCoordBytes(fvf, set);
  layout.size = offset;
  return layout;
}

VertexLayout LayoutFromDeclaration(const D3DVERTEXELEMENT9* elements, int count) {
  VertexLayout layout;
  for (int i = 0; i < count; ++i) {
    const D3DVERTEXELEMENT9& element = elements[i];
    if (element.Stream == kDeclarationEndStream) break;
    if (element.Stream != 0) continue;
    const uint32_t end = uint32_t{element.Offset} + DeclarationTypeBytes(element.Type);
    if (end > layout.size) layout.size = end;
    if (layout.diffuseOffset == kNoDiffuse && element.Usage == kUsageColour &&
        element.UsageIndex == 0 && element.Type == kTypePackedColour) {
      layout.diffuseOffset = element.Offset;
    }
  }
  return layout;
}

VertexLayout MeshVertexLayout(const sMesh& mesh) {
  if (mesh.fvf != 0) return LayoutFromFvf(mesh.fvf);
  return LayoutFromDeclaration(mesh.declaration, kDeclarationElements);
}

}  // namespace korva::commands
