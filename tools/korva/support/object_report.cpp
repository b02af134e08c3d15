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
#include "text/utf8_text.h"

namespace korva::cli {
using nlohmann::json;

namespace {

// Record names are 256-byte fields; a name that fills the field has no terminator. As bytes to
// look files up by, and as the UTF-8 text the document holds.
template <size_t N>
std::string NameBytes(const char (&field)[N]) {
  return std::string(field, strnlen(field, N));
}
template <size_t N>
std::string NameText(const char (&field)[N]) {
  return text::Utf8Text(NameBytes(field));
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
    const std::string name = NameBytes(texture.name);
    textures.push_back({{"name", text::Utf8Text(name)},
                        {"stage", texture.stage},
                        {"found", TextureFound(path, name)}});
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

json Track(const sAnimation& track) {
  return {{"name", NameText(track.name)},
          {"positionKeys", track.positionKeyCount},
          {"rotationKeys", track.rotationKeyCount},
          {"scaleKeys", track.scaleKeyCount},
          {"matrixKeys", track.matrixKeyCount}};
}

// Every animation set with its tracks, in chain order: `onSet` for each set, then `onTrack` for
// each of its tracks. A damaged chain that loops is followed once around.
template <typename OnSet, typename OnTrack, typename OnSetEnd>
void VisitAnimationSets(const sAnimationSet* first, OnSet onSet, OnTrack onTrack,
                        OnSetEnd onSetEnd) {
  std::unordered_set<const void*> seen;
  for (const sAnimationSet* set = first; set && seen.insert(set).second; set = set->next) {
    onSet(*set);
    for (const sAnimation* track = set->firstTrack; track && seen.insert(track).second;
         track = track->next) {
      onTrack(*track);
    }
    onSetEnd(*set);
  }
}

json Frame(const sFrame& frame, const json& parent, const json& mesh) {
  return {{"name", NameText(frame.name)},
          {"parent", parent},
          {"localMatrix", Matrix(frame.localMatrix)},
          {"offset", Vector(frame.offset)},
          {"rotation", Vector(frame.rotation)},
          {"scale", Vector(frame.scale)},
          {"mesh", mesh}};
}

// Every frame of the tree depth-first (child before sibling), each once: `visit(frame, index,
// parent index or null, mesh index or null)`. An explicit stack: depth comes from the file,
// never from our stack.
template <typename Visit>
void VisitFrames(const sObject& object, Visit visit) {
  std::vector<std::pair<const sFrame*, json>> pending;
  std::unordered_set<const sFrame*> seen;
  size_t frameCount = 0;
  size_t meshCount = 0;
  if (object.rootFrame) pending.emplace_back(object.rootFrame, nullptr);
  while (!pending.empty()) {
    auto [frame, parent] = pending.back();
    pending.pop_back();
    if (!seen.insert(frame).second) continue;
    const size_t index = frameCount++;
    visit(*frame, index, parent, frame->mesh ? json(meshCount++) : json(nullptr));
    // The sibling shares the parent; pushed first so the child's subtree comes out before it.
    if (frame->nextSibling) pending.emplace_back(frame->nextSibling, parent);
    if (frame->firstChild) pending.emplace_back(frame->firstChild, index);
  }
}

}  // namespace

void WriteObjectDocument(const std::string& path, const sObject& object, DocumentStream& out) {
  // Counting walks first: a streamed array says how many elements follow.
  std::vector<size_t> trackCounts;
  VisitAnimationSets(
      object.animationSet, [&](const sAnimationSet&) { trackCounts.push_back(0); },
      [&](const sAnimation&) { ++trackCounts.back(); }, [](const sAnimationSet&) {});
  size_t frameCount = 0;
  size_t meshCount = 0;
  VisitFrames(object, [&](const sFrame& frame, size_t, const json&, const json&) {
    ++frameCount;
    if (frame.mesh) ++meshCount;
  });

  // Members in name order, as the whole document prints them.
  out.BeginObject();
  out.Key("animationSets");
  out.BeginArray(trackCounts.size());
  size_t setIndex = 0;
  VisitAnimationSets(
      object.animationSet,
      [&](const sAnimationSet& set) {
        out.BeginObject();
        out.Key("length");
        out.Value(set.length);
        out.Key("name");
        out.Value(NameText(set.name));
        out.Key("tracks");
        out.BeginArray(trackCounts[setIndex++]);
      },
      [&](const sAnimation& track) { out.Value(Track(track)); },
      [&](const sAnimationSet&) {
        out.EndArray();
        out.EndObject();
      });
  out.EndArray();
  out.Key("customDataSize");
  out.Value(object.customDataSize);
  // Frames and meshes come from one walk of the tree; each list gets a walk of its own, so
  // neither is held whole.
  out.Key("frames");
  out.BeginArray(frameCount);
  VisitFrames(object, [&](const sFrame& frame, size_t, const json& parent, const json& mesh) {
    out.Value(Frame(frame, parent, mesh));
  });
  out.EndArray();
  out.Key("meshes");
  out.BeginArray(meshCount);
  VisitFrames(object, [&](const sFrame& frame, size_t index, const json&, const json&) {
    if (frame.mesh) out.Value(Mesh(path, *frame.mesh, index));
  });
  out.EndArray();
  out.EndObject();
}

}  // namespace korva::cli
