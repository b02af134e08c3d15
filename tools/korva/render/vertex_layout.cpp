#include "render/vertex_layout.h"

#include <cstdio>
#include <cstring>

namespace korva::render {
namespace {
// Declaration element types and usages of Direct3D 9 that we read.
constexpr uint8_t kDeclFloat1 = 0, kDeclFloat2 = 1, kDeclFloat3 = 2, kDeclFloat4 = 3,
                  kDeclColor = 4;
constexpr uint8_t kDeclUnused = 17;
constexpr uint8_t kUsagePosition = 0, kUsageNormal = 3, kUsageTexcoord = 5, kUsageColor = 10;
constexpr uint16_t kDeclEndStream = 0xFF;

int DeclTypeSize(uint8_t type) {
  switch (type) {
    case kDeclFloat1:
      return 4;
    case kDeclFloat2:
      return 8;
    case kDeclFloat3:
      return 12;
    case kDeclFloat4:
      return 16;
    case kDeclColor:
      return 4;
    default:
      return -1;
  }
}

float ReadFloat(const uint8_t* p) {
  float value;
  std::memcpy(&value, p, sizeof value);
  return value;
}
}  // namespace

bool LayoutFromFvf(uint32_t fvf, VertexLayout* layout, std::string* why) {
  VertexLayout result;
  const uint32_t position = fvf & kFvfPositionMask;
  // XYZ, or XYZ followed by 1 to 5 blend weights (XYZB1 0x006 ... XYZB5 0x00E).
  if (position == kFvfXyz) {
    result.position = 0;
    result.stride = 12;
  } else if (position >= 0x006 && position <= 0x00E && (position & 1) == 0) {
    result.position = 0;
    result.stride = 12 + static_cast<int>((position - 0x004) / 2) * 4;
  } else {
    char text[64];
    std::snprintf(text, sizeof text, "FVF 0x%X has no plain 3-float position", fvf);
    *why = text;
    return false;
  }
  if (fvf & kFvfNormal) {
    result.normal = result.stride;
    result.stride += 12;
  }
  if (fvf & kFvfPointSize) result.stride += 4;
  if (fvf & kFvfDiffuse) {
    result.diffuse = result.stride;
    result.stride += 4;
  }
  if (fvf & kFvfSpecular) result.stride += 4;
  const uint32_t sets = (fvf & kFvfTexCountMask) >> kFvfTexCountShift;
  if (sets > 8) {
    *why = "more than 8 texture coordinate sets";
    return false;
  }
  for (uint32_t set = 0; set < sets; ++set) {
    // Two bits per set from bit 16: 0 = 2 floats, 1 = 3, 2 = 4, 3 = 1.
    static const int kFloats[4] = {2, 3, 4, 1};
    const int floats = kFloats[(fvf >> (16 + 2 * set)) & 3];
    if (set == 0) {
      result.texcoord = result.stride;
      result.texcoordFloats = floats;
    }
    result.stride += floats * 4;
  }
  *layout = result;
  return true;
}

bool LayoutOfMesh(const sMesh& mesh, VertexLayout* layout, std::string* why) {
  VertexLayout result;
  if (mesh.fvf != 0) {
    if (!LayoutFromFvf(mesh.fvf, &result, why)) return false;
  } else {
    for (const D3DVERTEXELEMENT9& element : mesh.declaration) {
      if (element.Stream == kDeclEndStream || element.Type == kDeclUnused) break;
      if (element.Stream != 0) continue;
      const int size = DeclTypeSize(element.Type);
      if (size < 0) continue;
      const int offset = element.Offset;
      if (element.UsageIndex != 0) continue;
      if (element.Usage == kUsagePosition && size >= 12 && element.Type != kDeclColor) {
        result.position = offset;
      } else if (element.Usage == kUsageNormal && element.Type == kDeclFloat3) {
        result.normal = offset;
      } else if (element.Usage == kUsageColor && element.Type == kDeclColor) {
        result.diffuse = offset;
      } else if (element.Usage == kUsageTexcoord && element.Type != kDeclColor) {
        result.texcoord = offset;
        result.texcoordFloats = size / 4;
      } else {
        continue;
      }
      if (offset + size > result.stride) result.stride = offset + size;
    }
    if (result.position < 0) {
      *why = "the vertex declaration has no position";
      return false;
    }
  }
  if (mesh.vertexSize < static_cast<uint32_t>(result.stride)) {
    *why = "vertex size " + std::to_string(mesh.vertexSize) + " is smaller than its layout (" +
           std::to_string(result.stride) + " bytes)";
    return false;
  }
  *layout = result;
  return true;
}

Vertex ReadVertex(const uint8_t* bytes, const VertexLayout& layout) {
  Vertex vertex;
  const uint8_t* p = bytes + layout.position;
  vertex.position = {ReadFloat(p), ReadFloat(p + 4), ReadFloat(p + 8)};
  if (layout.normal >= 0) {
    const uint8_t* n = bytes + layout.normal;
    vertex.normal = {ReadFloat(n), ReadFloat(n + 4), ReadFloat(n + 8)};
    vertex.hasNormal = true;
  }
  if (layout.diffuse >= 0) std::memcpy(&vertex.diffuse, bytes + layout.diffuse, 4);
  if (layout.texcoord >= 0) {
    vertex.u = ReadFloat(bytes + layout.texcoord);
    if (layout.texcoordFloats >= 2) vertex.v = ReadFloat(bytes + layout.texcoord + 4);
  }
  return vertex;
}

}  // namespace korva::render
