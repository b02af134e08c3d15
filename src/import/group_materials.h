// The last steps of an import: each group mesh's texture, loaded from the model's directory, and
// its material colours.
#pragma once

#include <string>
#include <vector>

#include "ms3d/ms_model.h"

namespace korva {
struct sMesh;
}

namespace korva::import {

// The group's material, or null when its materialIndex names none (-1 or beyond the list).
const msMaterial* GroupMaterial(const msModel& model, const msGroup& group);

// Loads each group's texture (a texture name of its material) on the device from the first of its
// TextureLocations under `modelDirectory` that loads, shows "No Textures" when the model has no
// groups or no materials and "Error Loading Texture: <texture path>" for each texture that loads
// from none, then copies each group's material colours into its mesh (groupMeshes[i] for group i)
// and sets its loaded texture, with the location's record name, into texture record 0. A texture
// that no record can take is released.
void ApplyTexturesAndMaterials(const msModel& model, const std::vector<sMesh*>& groupMeshes,
                               const std::string& modelDirectory);

}  // namespace korva::import
