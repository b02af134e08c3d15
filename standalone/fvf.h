// Direct3D flexible vertex format codes, as far as the host sizes vertices from them.
#pragma once

#include <cstdint>

namespace korva::standalone {

// Bytes per vertex for an FVF code: position (XYZ, XYZRHW, XYZW, XYZB1..5), normal, point size,
// diffuse, specular and each texture set at its TEXCOORDSIZE width. 0x152 gives 36.
uint32_t FvfVertexSize(uint32_t fvf);

// Whether the vertex starts with an x, y, z float position.
bool FvfHasPosition(uint32_t fvf);

}  // namespace korva::standalone
