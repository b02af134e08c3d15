#include "commands/limb_material.h"

#include <algorithm>
#include <cstring>

#include "commands/object_lookup.h"
#include "commands/packed_colour.h"
#include "model/mesh.h"
#include "model/vertex_format.h"

namespace korva::commands {
namespace {

sMesh* TargetMesh(int32_t object, int32_t limb) {
  return MeshAt(FindObject(object), limb);
}

D3DCOLORVALUE& ColourOf(D3DMATERIAL9& material, MaterialColour which) {
  switch (which) {
    case MaterialColour::Ambient:
      return material.Ambient;
    case MaterialColour::Emissive:
      return material.Emissive;
    case MaterialColour::Specular:
      return material.Specular;
    case MaterialColour::Diffuse:
      break;
  }
  return material.Diffuse;
}

void StoreColour(sMesh& mesh, MaterialColour which, uint32_t colour) {
  mesh.usesMaterialList = 0;
  mesh.usesOwnMaterial = 1;
  ColourOf(mesh.material, which) = UnpackColour(colour);
}

}  // namespace

void SetLimbColour(int32_t object, int32_t limb, MaterialColour which, uint32_t colour) {
  if (sMesh* mesh = TargetMesh(object, limb)) StoreColour(*mesh, which, colour);
}

void SetLimbSpecularColour(int32_t object, int32_t limb, uint32_t colour, int32_t power) {
  sMesh* mesh = TargetMesh(object, limb);
  if (!mesh) return;
  StoreColour(*mesh, MaterialColour::Specular, colour);
  mesh->material.Power = static_cast<float>(power);
}

uint32_t GetLimbColour(int32_t object, int32_t limb, MaterialColour which) {
  sMesh* mesh = TargetMesh(object, limb);
  if (!mesh) return 0;
  return PackColour(ColourOf(mesh->material, which));
}

void ColorLimbVertices(int32_t object, int32_t limb, uint32_t colour) {
  sMesh* mesh = TargetMesh(object, limb);
  if (!mesh || !mesh->vertexData) return;
  const VertexFormat format = MeshVertexFormat(*mesh);
  if (!format.diffuse.present()) return;
  const uint32_t end = static_cast<uint32_t>(format.diffuse.offset) + sizeof colour;
  if (end > format.size) return;
  // The vertex data holds vertexCount records of the mesh's recorded vertex size; a layout wider
  // than that record would write past the buffer.
  if (mesh->vertexSize != 0 && format.size > mesh->vertexSize) return;
  const int32_t count = std::min(mesh->drawVertexCount, mesh->vertexCount);
  uint8_t* vertex = mesh->vertexData + format.diffuse.offset;
  for (int32_t i = 0; i < count; ++i, vertex += format.size) {
    std::memcpy(vertex, &colour, sizeof colour);
  }
}

}  // namespace korva::commands
