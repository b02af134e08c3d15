#include "support/info_text.h"

#include <algorithm>
#include <cstring>
#include <nlohmann/json.hpp>
#include <unordered_set>
#include <utility>
#include <vector>

#include "import/import_text.h"
#include "model/animation.h"
#include "model/bone.h"
#include "model/frame.h"
#include "model/mesh.h"
#include "model/texture.h"
#include "support/ms3d_report.h"
#include "support/skipped_blocks.h"
#include "support/texture_lookup.h"
#include "text/utf8_text.h"

namespace korva::cli {
namespace {

// Numbers and names are written as `korva dump --json` writes them, so the two read alike.
template <typename T>
std::string Number(T value) {
  return nlohmann::json(value).dump();
}

// `text` is UTF-8 already (Utf8Text): the JSON writer sees nothing else.
std::string Quoted(const std::string& text) {
  return nlohmann::json(text).dump();
}

// A record's name field as its bytes (to look files up by) and as text (to print).
template <size_t N>
std::string NameBytes(const char (&field)[N]) {
  return std::string(field, strnlen(field, N));
}
template <size_t N>
std::string NameText(const char (&field)[N]) {
  return text::Utf8Text(NameBytes(field));
}

// "a", "b", "c" from the name of each element, or "none".
template <typename Elements, typename Name>
std::string NameList(const Elements& elements, Name name) {
  std::string text;
  for (const auto& element : elements) {
    if (!text.empty()) text += ", ";
    text += Quoted(name(element));
  }
  return text.empty() ? "none" : text;
}

std::string Found(bool found) {
  return found ? "found" : "not found";
}

// The frames of the object in depth-first order (child before sibling), as the dump lists them;
// the depth comes from the file, so the walk keeps its own stack.
std::vector<const sFrame*> FramesInOrder(const sObject& object) {
  std::vector<const sFrame*> frames;
  std::vector<const sFrame*> pending;
  std::unordered_set<const sFrame*> seen;
  if (object.rootFrame) pending.push_back(object.rootFrame);
  while (!pending.empty()) {
    const sFrame* frame = pending.back();
    pending.pop_back();
    if (!seen.insert(frame).second) continue;
    frames.push_back(frame);
    if (frame->nextSibling) pending.push_back(frame->nextSibling);
    if (frame->firstChild) pending.push_back(frame->firstChild);
  }
  return frames;
}

}  // namespace

std::string Ms3dSummaryText(const std::string& path, const msModel& model,
                            const Ms3dAccount& account) {
  size_t rotationKeys = 0;
  size_t positionKeys = 0;
  for (const msJoint& joint : model.joints) {
    rotationKeys += joint.rotationKeys.size();
    positionKeys += joint.positionKeys.size();
  }
  const auto name = [](const auto& element) { return FieldText(element.name, kMsNameSize); };
  std::string out = text::Utf8Text(path) + ": MS3D model\n";
  out += "  vertices " + std::to_string(model.vertices.size()) + ", triangles " +
         std::to_string(model.triangles.size()) + ", groups " +
         std::to_string(model.groups.size()) + ", materials " +
         std::to_string(model.materials.size()) + ", joints " +
         std::to_string(model.joints.size()) + "\n";
  out += "  animation: " + Number(model.framesPerSecond) + " fps, " + Number(model.totalFrames) +
         " frames, " + std::to_string(rotationKeys) + " rotation keys, " +
         std::to_string(positionKeys) + " position keys\n";
  out += "  groups: " + NameList(model.groups, name) + "\n";
  out += "  materials: " + NameList(model.materials, name) + "\n";
  for (const msMaterial& material : model.materials) {
    const std::string texture = import::FieldText(material.texture, kMsTextureNameSize);
    if (texture.empty()) continue;
    out += "  texture " + Quoted(text::Utf8Text(texture)) + ": " +
           Found(TextureFound(path, texture)) + "\n";
  }
  out += "  joints: " + NameList(model.joints, name) + "\n";
  for (const std::string& rename : GroupRenameTexts(model)) out += "  " + rename + "\n";
  std::string sections = "model";
  for (size_t i = 0; i < account.sectionCount; ++i) {
    sections += std::string(", ") + Ms3dSectionName(account.sections[i].section) + " (subversion " +
                std::to_string(account.sections[i].subVersion) + ")";
  }
  out += "  sections: " + sections + "\n";
  if (const std::string note = Ms3dNoteText(account); !note.empty()) {
    out += "  note: " + note + "\n";
  }
  return out;
}

std::string ObjectSummaryText(const std::string& path, uint64_t fileSize, const sObject& object,
                              const std::vector<dbo::SkippedBlock>& skipped,
                              const std::string& kind, const std::vector<std::string>& heldInside) {
  const std::vector<const sFrame*> frames = FramesInOrder(object);
  size_t meshes = 0;
  size_t bones = 0;
  size_t textures = 0;
  std::string textureLines;
  for (const sFrame* frame : frames) {
    const sMesh* mesh = frame->mesh;
    if (!mesh) continue;
    ++meshes;
    if (mesh->bones) bones += static_cast<size_t>(std::max(mesh->boneCount, 0));
    for (int32_t i = 0; mesh->textures && i < mesh->textureCount; ++i) {
      const std::string name = NameBytes(mesh->textures[i].name);
      if (name.empty()) continue;  // an unused stage
      ++textures;
      const bool held = std::find(heldInside.begin(), heldInside.end(), name) != heldInside.end();
      textureLines += "  texture " + Quoted(text::Utf8Text(name)) + ": " +
                      (held ? "held in the file" : Found(TextureFound(path, name))) + "\n";
    }
  }
  // A damaged chain must not loop forever: sets and tracks share one record of what was seen.
  std::unordered_set<const void*> seen;
  size_t setCount = 0;
  size_t trackCount = 0;
  std::string setLines;
  for (const sAnimationSet* set = object.animationSet; set && seen.insert(set).second;
       set = set->next) {
    ++setCount;
    std::vector<std::string> trackNames;
    for (const sAnimation* track = set->firstTrack; track && seen.insert(track).second;
         track = track->next) {
      trackNames.push_back(NameText(track->name));
    }
    trackCount += trackNames.size();
    setLines += "  animation set " + Quoted(NameText(set->name)) + ": length " +
                Number(set->length) +
                ", tracks: " + NameList(trackNames, [](const std::string& n) { return n; }) + "\n";
  }
  std::string out =
      text::Utf8Text(path) + ": " + kind + ", " + std::to_string(fileSize) + " bytes\n";
  out += "  frames " + std::to_string(frames.size()) + ", meshes " + std::to_string(meshes) +
         ", bones " + std::to_string(bones) + ", textures " + std::to_string(textures) +
         ", animation sets " + std::to_string(setCount) + ", tracks " + std::to_string(trackCount) +
         "\n";
  out +=
      "  frames: " + NameList(frames, [](const sFrame* frame) { return NameText(frame->name); }) +
      "\n";
  out += textureLines + setLines;
  std::string sections;
  const auto add = [&](const std::string& name) {
    sections += (sections.empty() ? "" : ", ") + name;
  };
  if (!frames.empty()) add("frame tree");
  if (setCount > 0) add("animation set");
  add("custom data (" + Number(object.customDataSize) + " bytes)");
  out += "  sections: " + sections + "\n";
  if (const std::string note = SkippedBlocksText(skipped); !note.empty()) {
    out += "  note: " + note + "\n";
  }
  return out;
}

}  // namespace korva::cli
