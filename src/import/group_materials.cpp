#include "import/group_materials.h"

#include <cstring>
#include <string>
#include <unordered_map>

#include "host/binding/plugin_state.h"
#include "import/import_text.h"
#include "import/texture_paths.h"
#include "model/com_interfaces.h"
#include "model/counted_array.h"
#include "model/mesh.h"
#include "model/texture.h"
#include "platform/texture_loader.h"

namespace korva::import {
namespace {
constexpr int32_t kTextureOperationDisable = 1;
constexpr int32_t kTextureOperationModulate = 4;
constexpr int32_t kTextureArgumentDiffuse = 0;
constexpr int32_t kTextureArgumentTexture = 2;

D3DCOLORVALUE Colour(const float rgba[4]) {
  return {rgba[0], rgba[1], rgba[2], rgba[3]};
}

void CopyMaterial(sMesh* mesh, const msMaterial& material) {
  mesh->usesOwnMaterial = 1;
  mesh->material.Diffuse = Colour(material.diffuse);
  mesh->material.Ambient = Colour(material.ambient);
  mesh->material.Specular = Colour(material.specular);
  mesh->material.Emissive = Colour(material.emissive);
  mesh->material.Power = material.shininess;
}

// Sets the texture into stage 0 and disables stage 1; false when the mesh has no record 0.
bool SetMeshTexture(sMesh* mesh, void* texture, const std::string& recordName) {
  if (!mesh || !mesh->textures) return false;
  const int32_t records = CountedArrayCount(mesh->textures);
  if (records < 1) return false;
  sTexture& stage0 = mesh->textures[0];
  CopyHostName(stage0.name, recordName);
  stage0.texture = texture;
  stage0.stage = 0;
  stage0.blendOperation = kTextureOperationModulate;
  stage0.blendArgument1 = kTextureArgumentTexture;
  stage0.blendArgument2 = kTextureArgumentDiffuse;
  stage0.setting151 = 0;
  if (records >= 2) {
    sTexture& stage1 = mesh->textures[1];
    stage1.stage = 1;
    stage1.blendOperation = kTextureOperationDisable;
  }
  return true;
}

// The texture from the first of its locations that loads, its record name in `recordName`; null
// after one notice naming the first location when none does. A name that found no texture before
// in this import (`missing`) gets the same notice without being looked for again: groups sharing
// a material each asked the host to search the folder for the same absent file.
void* LoadTexture(const std::string& modelDirectory, const std::string& textureName,
                  std::string* recordName, std::unordered_map<std::string, std::string>& missing) {
  const auto known = missing.find(textureName);
  if (known != missing.end()) {
    ShowInfo("Error Loading Texture: " + known->second);
    return nullptr;
  }
  const std::vector<TextureLocation> locations = TextureLocations(modelDirectory, textureName);
  for (const TextureLocation& location : locations) {
    void* texture = nullptr;
    if (platform::CreateTextureFromFile(g_plugin.device, location.path.c_str(), &texture) == 0) {
      *recordName = location.recordName;
      return texture;
    }
  }
  ShowInfo("Error Loading Texture: " + locations.front().path);
  missing.emplace(textureName, locations.front().path);
  return nullptr;
}
}  // namespace

const msMaterial* GroupMaterial(const msModel& model, const msGroup& group) {
  if (group.materialIndex < 0) return nullptr;
  const size_t index = static_cast<size_t>(group.materialIndex);
  return index < model.materials.size() ? &model.materials[index] : nullptr;
}

void ApplyTexturesAndMaterials(const msModel& model, const std::vector<sMesh*>& groupMeshes,
                               const std::string& modelDirectory) {
  const size_t groupCount = model.groups.size();
  std::vector<std::string> textureNames(groupCount);
  for (size_t i = 0; i < groupCount; ++i) {
    if (const msMaterial* material = GroupMaterial(model, model.groups[i])) {
      textureNames[i] = FieldText(material->texture, kMsTextureNameSize);
    }
  }

  std::vector<void*> textures(groupCount, nullptr);
  std::vector<std::string> recordNames(groupCount);
  if (groupCount == 0 || model.materials.empty()) {
    ShowInfo("No Textures");
  } else {
    std::unordered_map<std::string, std::string> missing;
    // Nothing is written between the lookups: each folder they pass through need be checked once.
    const platform::TextureLookupBatch batch(g_plugin.device);
    for (size_t i = 0; i < groupCount; ++i) {
      if (!textureNames[i].empty())
        textures[i] = LoadTexture(modelDirectory, textureNames[i], &recordNames[i], missing);
    }
  }

  for (size_t i = 0; i < groupCount; ++i) {
    sMesh* mesh = groupMeshes[i];
    const msMaterial* material = GroupMaterial(model, model.groups[i]);
    if (mesh && material) CopyMaterial(mesh, *material);
    if (textures[i] && !SetMeshTexture(mesh, textures[i], recordNames[i])) {
      ReleaseComInterface(textures[i]);
    }
  }
}

}  // namespace korva::import
