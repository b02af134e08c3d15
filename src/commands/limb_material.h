// Script commands on one limb's mesh: its material colours and its per-vertex diffuse colour. A
// missing object, a limb outside the mesh list or an empty entry makes a setter change nothing and
// a getter return 0.
#pragma once

#include <cstdint>

namespace korva::commands {

enum class MaterialColour { Ambient, Diffuse, Emissive, Specular };

// Stores the packed colour into the chosen colour of the limb's material and switches the mesh to
// its own material (own-material flag 1, material-list flag 0). Power is left alone.
void SetLimbColour(int32_t object, int32_t limb, MaterialColour which, uint32_t colour);

// SetLimbColour for the specular colour, then stores `power` as the material's Power.
void SetLimbSpecularColour(int32_t object, int32_t limb, uint32_t colour, int32_t power);

// The chosen material colour packed (see PackColour); the flags are neither read nor changed.
uint32_t GetLimbColour(int32_t object, int32_t limb, MaterialColour which);

// Writes `colour` as the diffuse colour of the first min(draw vertex count, vertex count) vertices,
// at the mesh's own diffuse offset and vertex size (from its FVF code or declaration). A mesh
// without vertex data or without a diffuse colour is left alone; no write leaves the vertex data.
void ColorLimbVertices(int32_t object, int32_t limb, uint32_t colour);

}  // namespace korva::commands
