// Where a mesh's vertices keep what the renderer reads of them (position, normal, colour and first
// texture coordinates), taken from the vertex format of model/vertex_format.h, and whether the
// renderer can read them at all.
#pragma once

#include <cstdint>
#include <string>

#include "model/mesh.h"
#include "render/render_math.h"

namespace korva::render {

// Byte offsets inside one vertex; -1 where the vertex has no such element.
struct VertexLayout {
  int position = -1;  // 3 floats
  int normal = -1;    // 3 floats
  int diffuse = -1;   // 32-bit ARGB
  int texcoord = -1;  // first texture coordinate set: u, and v when texcoordFloats >= 2
  int texcoordFloats = 0;
  int stride = 0;  // bytes the elements above need; the mesh's vertex size must be at least this
};

// The layout of FVF code `fvf`; false with `*why` set when it has no plain 3-float position
// (pre-transformed or 4-component positions) or states more than 8 texture coordinate sets.
bool LayoutFromFvf(uint32_t fvf, VertexLayout* layout, std::string* why);

// The layout of the mesh: its FVF code, or its declaration when the code is 0 (stream 0 only).
// False with `*why` set when the position cannot be read or the mesh's vertex size is smaller than
// the layout needs.
bool LayoutOfMesh(const sMesh& mesh, VertexLayout* layout, std::string* why);

struct Vertex {
  Vec3 position;
  Vec3 normal;
  bool hasNormal = false;
  uint32_t diffuse = 0xFFFFFFFF;  // ARGB
  float u = 0, v = 0;
};

// Reads the vertex at `bytes` (at least layout.stride bytes).
Vertex ReadVertex(const uint8_t* bytes, const VertexLayout& layout);

}  // namespace korva::render
