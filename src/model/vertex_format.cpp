#include "model/vertex_format.h"

#include "model/mesh.h"

namespace korva {
namespace {

constexpr uint16_t kDeclarationEndStream = 0xFF;

void Place(VertexElement& element, uint32_t* offset, uint8_t type) {
  element.offset = static_cast<int32_t>(*offset);
  element.type = type;
  *offset += DeclarationTypeBytes(type);
}

// Per texture set, two bits at 16 + 2 x set: 0 two floats, 1 three, 2 four, 3 one.
uint8_t TexcoordType(uint32_t fvf, uint32_t set) {
  static constexpr uint8_t kTypes[4] = {kTypeFloat2, kTypeFloat3, kTypeFloat4, kTypeFloat1};
  return kTypes[(fvf >> (16 + 2 * set)) & 3];
}

}  // namespace

uint32_t DeclarationTypeBytes(uint8_t type) {
  // FLOAT1..FLOAT4, D3DCOLOR, UBYTE4, SHORT2, SHORT4, UBYTE4N, SHORT2N, SHORT4N, USHORT2N,
  // USHORT4N, UDEC3, DEC3N, FLOAT16_2, FLOAT16_4; anything else (UNUSED) takes no room.
  static constexpr uint32_t kBytes[] = {4, 8, 12, 16, 4, 4, 4, 8, 4, 4, 8, 4, 8, 4, 4, 4, 8};
  return type < sizeof kBytes / sizeof kBytes[0] ? kBytes[type] : 0;
}

VertexFormat FormatFromFvf(uint32_t fvf) {
  VertexFormat format;
  uint32_t offset = 0;
  const uint32_t position = fvf & kFvfPositionMask;
  if (position == kFvfXyz) {
    format.positionKind = VertexFormat::Position::kXyz;
    Place(format.position, &offset, kTypeFloat3);
  } else if (position == kFvfXyzRhw || position == kFvfXyzW) {
    format.positionKind = position == kFvfXyzRhw ? VertexFormat::Position::kTransformed
                                                 : VertexFormat::Position::kXyzw;
    Place(format.position, &offset, kTypeFloat4);
  } else if (position >= kFvfXyzB1 && position <= kFvfXyzB5) {
    format.positionKind = VertexFormat::Position::kXyzBlend;
    format.blendWeights = (position - kFvfXyzB1) / 2 + 1;  // B1 = 0x006 ... B5 = 0x00E
    Place(format.position, &offset, kTypeFloat3);
    offset += 4 * format.blendWeights;
  }
  if (fvf & kFvfNormal) Place(format.normal, &offset, kTypeFloat3);
  if (fvf & kFvfPointSize) Place(format.pointSize, &offset, kTypeFloat1);
  if (fvf & kFvfDiffuse) Place(format.diffuse, &offset, kTypePackedColour);
  if (fvf & kFvfSpecular) Place(format.specular, &offset, kTypePackedColour);
  format.statedTexcoordSets = (fvf & kFvfTexCountMask) >> kFvfTexCountShift;
  const uint32_t sets =
      format.statedTexcoordSets < kMaxTexcoordSets ? format.statedTexcoordSets : kMaxTexcoordSets;
  for (uint32_t set = 0; set < sets; ++set) {
    Place(format.texcoords[set], &offset, TexcoordType(fvf, set));
  }
  format.size = offset;
  return format;
}

VertexFormat FormatFromDeclaration(const D3DVERTEXELEMENT9* elements, int count) {
  VertexFormat format;
  // An element of a type its role cannot have (a float4 colour, a packed-colour position) still
  // takes room but is nobody's element; the first usable one of each role wins.
  const auto take = [](VertexElement& role, const D3DVERTEXELEMENT9& declared, bool usable) {
    if (role.present() || !usable) return;
    role.offset = declared.Offset;
    role.type = declared.Type;
  };
  for (int i = 0; i < count; ++i) {
    const D3DVERTEXELEMENT9& element = elements[i];
    if (element.Stream == kDeclarationEndStream) break;
    if (element.Stream != 0) continue;
    const uint32_t end = uint32_t{element.Offset} + DeclarationTypeBytes(element.Type);
    if (end > format.size) format.size = end;
    const uint8_t type = element.Type;
    const uint8_t index = element.UsageIndex;
    const bool floats = type <= kTypeFloat4;
    switch (element.Usage) {
      case kUsagePosition:
        if (index == 0) take(format.position, element, type == kTypeFloat3 || type == kTypeFloat4);
        break;
      case kUsageNormal:
        if (index == 0) take(format.normal, element, type == kTypeFloat3);
        break;
      case kUsagePointSize:
        if (index == 0) take(format.pointSize, element, type == kTypeFloat1);
        break;
      case kUsageColour:
        if (index == 0) take(format.diffuse, element, type == kTypePackedColour);
        if (index == 1) take(format.specular, element, type == kTypePackedColour);
        break;
      case kUsageTexcoord:
        if (index < kMaxTexcoordSets) take(format.texcoords[index], element, floats);
        break;
      default:
        break;
    }
  }
  if (format.position.present()) {
    format.positionKind = format.position.type == kTypeFloat3 ? VertexFormat::Position::kXyz
                                                              : VertexFormat::Position::kXyzw;
  }
  return format;
}

VertexFormat MeshVertexFormat(const sMesh& mesh) {
  if (mesh.fvf != 0) return FormatFromFvf(mesh.fvf);
  return FormatFromDeclaration(mesh.declaration, kDeclarationElements);
}

}  // namespace korva
