// The byte layout of one vertex, from a Direct3D 9 FVF code or a vertex declaration: its size and
// where each element lies. Every reader or writer of vertex data (the colour commands, the
// standalone host, the renderer, exporters) asks here, so they cannot disagree on a format.
#pragma once

#include <cstdint>

#include "model/d3d_types.h"

namespace korva {

struct sMesh;

// Declaration element types (D3DDECLTYPE) and usages (D3DDECLUSAGE) this module names.
enum VertexElementType : uint8_t {
  kTypeFloat1 = 0,
  kTypeFloat2 = 1,
  kTypeFloat3 = 2,
  kTypeFloat4 = 3,
  kTypePackedColour = 4,  // 32-bit ARGB
  kTypeUnused = 17,
};
enum VertexElementUsage : uint8_t {
  kUsagePosition = 0,
  kUsageBlendWeight = 1,
  kUsageNormal = 3,
  kUsagePointSize = 4,
  kUsageTexcoord = 5,
  kUsageColour = 10,
};

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
constexpr uint32_t kMaxTexcoordSets = 8;

// Bytes of a declaration element type; 0 for UNUSED and for types Direct3D 9 does not define.
uint32_t DeclarationTypeBytes(uint8_t type);

// One element of the vertex: where it starts and how it is stored. An absent element has offset
// kNoElement.
constexpr int32_t kNoElement = -1;
struct VertexElement {
  int32_t offset = kNoElement;
  uint8_t type = kTypeUnused;  // a VertexElementType value, or another D3DDECLTYPE
  bool present() const { return offset != kNoElement; }
  uint32_t bytes() const { return DeclarationTypeBytes(type); }
};

struct VertexFormat {
  enum class Position : uint8_t {
    kNone,         // an FVF without position bits, or a declaration without a position
    kXyz,          // 3 floats
    kXyzBlend,     // 3 floats followed by 1 to 5 blend weights (FVF XYZB1..XYZB5)
    kTransformed,  // x, y, z, rhw: already in screen space
    kXyzw,         // 4 floats
  };

  uint32_t size = 0;  // bytes per vertex: the furthest end of any element
  Position positionKind = Position::kNone;
  uint32_t blendWeights = 0;  // floats after an FVF position (kXyzBlend)
  VertexElement position;
  VertexElement normal;
  VertexElement pointSize;
  VertexElement diffuse;   // colour of usage index 0
  VertexElement specular;  // colour of usage index 1
  // Texture coordinate sets by index; an FVF lays out at most kMaxTexcoordSets of them.
  VertexElement texcoords[kMaxTexcoordSets];
  // The set count an FVF code states (its 4 bits can say up to 15); 0 for a declaration.
  uint32_t statedTexcoordSets = 0;
};

// The layout an FVF code describes: position (XYZ, XYZRHW, XYZW, or XYZ with 1 to 5 blend weights;
// other position bits give none), normal, point size, diffuse, specular and the texture sets at
// their TEXCOORDSIZE widths, at most kMaxTexcoordSets of them. Bits outside these take no room
// (the last-beta flags, for example). 0x152 gives 36 bytes with the diffuse colour at 24.
VertexFormat FormatFromFvf(uint32_t fvf);

// The layout of stream 0 of a declaration of at most `count` elements, ending at the first end
// marker (stream 0xFF). The size is the furthest end of any stream-0 element. Each element is the
// first stream-0 one of its usage and usage index (specular: colour index 1, texture set n: index
// n, the others index 0) whose type it can have: position float3 or float4, normal float3, point
// size float1, colours packed, texture sets float1 to float4.
VertexFormat FormatFromDeclaration(const D3DVERTEXELEMENT9* elements, int count);

// The mesh's layout: from its FVF code, or from its declaration when the code is 0.
VertexFormat MeshVertexFormat(const sMesh& mesh);

}  // namespace korva
