// The byte layout of a mesh's vertices as far as the colour commands need it: the vertex size and
// where the diffuse colour lies, derived from a Direct3D 9 FVF code or vertex declaration.
#pragma once

#include <cstdint>

#include "model/d3d_types.h"

namespace korva {

struct sMesh;

namespace commands {

constexpr int32_t kNoDiffuse = -1;

struct VertexLayout {
  uint32_t size = 0;                   // bytes per vertex
  int32_t diffuseOffset = kNoDiffuse;  // byte offset of the packed diffuse colour, or kNoDiffuse
};

// The layout an FVF code describes: position (xyz, xyzrhw, xyzw, or xyz with 1 to 5 blend
// weights), normal, point size, diffuse, specular and the texture coordinate sets with their
// per-set sizes.
VertexLayout LayoutFromFvf(uint32_t fvf);

// The layout of stream 0 of a vertex declaration of at most `count` elements, ending at the first
// end marker (stream 0xFF): the size is the furthest end of any stream-0 element; the diffuse
// colour is the element of usage colour, usage index 0 and packed-colour type.
VertexLayout LayoutFromDeclaration(const D3DVERTEXELEMENT9* elements, int count);

// The mesh's layout: from its FVF code, or from its declaration when the code is 0.
VertexLayout MeshVertexLayout(const sMesh& mesh);

}  // namespace commands
}  // namespace korva
