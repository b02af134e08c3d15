#include "render/vertex_layout.h"

#include <cstdio>
#include <cstring>

#include "model/vertex_format.h"

namespace korva::render {
namespace {
float ReadFloat(const uint8_t* p) {
  float value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

// The elements the renderer reads, and the bytes they need.
VertexLayout ReadableElements(const VertexFormat& format) {
  VertexLayout layout;
  const auto use = [&layout](const VertexElement& element, int* offset) {
    if (!element.present()) return;
    *offset = element.offset;
    const int end = element.offset + static_cast<int>(element.bytes());
    if (end > layout.stride) layout.stride = end;
  };
  use(format.position, &layout.position);
  use(format.normal, &layout.normal);
  use(format.diffuse, &layout.diffuse);
  use(format.texcoords[0], &layout.texcoord);
  if (layout.texcoord >= 0)
    layout.texcoordFloats = static_cast<int>(format.texcoords[0].bytes()) / 4;
  return layout;
}
}  // namespace

bool LayoutFromFvf(uint32_t fvf, VertexLayout* layout, std::string* why) {
  const VertexFormat format = FormatFromFvf(fvf);
  if (format.positionKind != VertexFormat::Position::kXyz &&
      format.positionKind != VertexFormat::Position::kXyzBlend) {
    char text[64];
    std::snprintf(text, sizeof text, "FVF 0x%X has no plain 3-float position", fvf);
    *why = text;
    return false;
  }
  if (format.statedTexcoordSets > kMaxTexcoordSets) {
    *why = "more than 8 texture coordinate sets";
    return false;
  }
  VertexLayout result = ReadableElements(format);
  // Vertices of an FVF code lie at the code's whole size apart, point size and specular included.
  result.stride = static_cast<int>(format.size);
  *layout = result;
  return true;
}

bool LayoutOfMesh(const sMesh& mesh, VertexLayout* layout, std::string* why) {
  VertexLayout result;
  if (mesh.fvf != 0) {
    if (!LayoutFromFvf(mesh.fvf, &result, why)) return false;
  } else {
    result = ReadableElements(FormatFromDeclaration(mesh.declaration, kDeclarationElements));
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
