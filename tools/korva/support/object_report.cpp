#include "support/object_report.h"

#include <cstring>
#include <unordered_set>
#include <utility>
#include <vector>

#include "model/animation.h"
#include "model/bone.h"
#include "model/frame.h"
#include "model/mesh.h"
#include "model/texture.h"
#include "support/texture_lookup.h"

namespace korva::cli {
using nlohmann::json;

namespace {

// Record names are 256-byte fields; a name that fills the field has no terminator.
template <size_t N>
std::string NameText(const char (&field)[N]) {
  return std::string(field, strnlen(field, N));
}

json Vector(const D3DXVECTOR3& v) {
  return json::array({v.x, v.y, v.z});
}

json Matrix(const D3DXMATRIX& matrix) {
  json rows = json::array();
  for (const auto& row : matrix.m) rows.push_back(json::array({row[0], row[1], row[2], row[3]}));
  return rows;
}

json Colour(const D3DCOLORVALUE& c) {
  return json::array({c.r, c.g, c.b, c.a});
}

json Material(const D3DMATERIAL9& m) {
  return {{"diffuse", Colour(m.Diffuse)},
          {"ambient", Colour(m.Ambient)},
          {"specular", Colour(m.Specular)},
          {"emissive", Colour(m.Emissive)},
          {"power", m.Power}};
}

json Mesh(const std::string& path, const sMesh& mesh, size_t frameIndex) {
  json textures = json::array();
  for (int32_t i = 0; mesh.textures && i < mesh.textureCount; ++i) {
    const sTexture& texture = mesh.textures[i];
    const std::string name = NameText(texture.name);
    textures.push_back(
        {{"name", name}, {"stage", texture.stage}, {"found", TextureFound(path, name)}});
  }
  json bones = json::array();
  for (int32_t i = 0; mesh.bones && i < mesh.boneCount; ++i) {
    bones.push_back(
        {{"name", NameText(mesh.bones[i].name)}, {"vertexCount", mesh.bones[i].vertexCount}});
  }
  return {{"frame", frameIndex},
          {"fvf", mesh.fvf},
          {"vertexSize", mesh.vertexSize},
          {"vertexCount", mesh.vertexCount},
          {"indexCount", mesh.indexCount},
          {"primitiveType", mesh.primitiveType},
          {"drawVertexCount", mesh.drawVertexCount},
          {"drawPrimitiveCount", mesh.drawPrimitiveCount},
          {"usesOwnMaterial", mesh.usesOwnMaterial != 0},
          {"material", Material(mesh.material)},
          {"usesMaterialList", mesh.usesMaterialList != 0},
          {"materialListCount", mesh.materialListCount},
          {"meshFrameCount", mesh.frames ? mesh.frameCount : 0},
          {"textures", textures},
          {"bones", bones}};
}

json AnimationSets(const sAnimationSet* first) {
  json sets = json::array();
  std::unordered_set<const void*> seen;  // a damaged chain must not loop forever
  for (const sAnimationSet* set = first; set && seen.insert(set).second; set = set->next) {
    json tracks = json::array();
    for (const sAnimation* track = set->firstTrack; track && seen.insert(track).second;
         track = track->next) {
      tracks.push_back({{"name", NameText(track->name)},
                        {"positionKeys", track->positionKeyCount},
                        {"rotationKeys", track->rotationKeyCount},
                        {"scaleKeys", track->scaleKeyCount},
                        {"matrixKeys", track->matrixKeyCount}});
    }
    sets.push_back({{"name", NameText(set->name)}, {"length", set->length}, {"tracks", tracks}});
  }
  return sets;
}

}  // namespace

json ObjectDocument(const std::string& path, const sObject& object) {
  json frames = json::array();
  json meshes = json::array();
  // Explicit stack of (frame, parent index): depth comes from the file, never from our stack.
  std::vector<std::pair<const sFrame*, json>> pending;
  std::unordered_set<const sFrame*> seen;
  if (object.rootFrame) pending.emplace_back(object.rootFrame, nullptr);
  while (!pending.empty()) {
    auto [frame, parent] = pending.back();
    pending.pop_back();
    if (!seen.insert(frame).second) continue;
    const size_t index = frames.size();
    json entry = {{"name", NameText(frame->name)},
                  {"parent", parent},
                  {"localMatrix", Matrix(frame->localMatrix)},
                  {"offset", Vector(frame->offset)},
                  {"rotation", Vector(frame->rotation)},
                  {"scale", Vector(frame->scale)},
                  {"mesh", nullptr}};
    if (frame->mesh) {
      entry["mesh"] = meshes.size();
      meshes.push_back(Mesh(path, *frame->mesh, index));
    }
    frames.push_back(std::move(entry));
    // The sibling shares the parent; pushed first so the child's subtree comes out before it.
    if (frame->nextSibling) pending.emplace_back(frame->nextSibling, parent);
    if (frame->firstChild) pending.emplace_back(frame->firstChild, index);
  }
  return {{"frames", frames},
          {"meshes", meshes},
          {"animationSets", AnimationSets(object.animationSet)},
          {"customDataSize", object.customDataSize}};
}

}  // namespace korva::cli
