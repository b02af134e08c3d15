#include "command_script.h"

#include <cstdio>
#include <cstring>

#include "host/binding/host_address.h"
#include "model/frame.h"
#include "model/mesh.h"
#include "model/object.h"

namespace korva::crosscheck {
namespace {
std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(value));
  return text;
}

std::string Line(const char* command, int32_t a, int32_t b, const std::string& result) {
  return std::string(command) + "(" + std::to_string(a) + ", " + std::to_string(b) +
         ") = " + result + "\n";
}

// The material as bytes: setters store floats converted from packed colours, compared exactly.
std::string MaterialBytes(const sMesh* mesh) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(&mesh->material);
  std::string out;
  for (size_t i = 0; i < sizeof mesh->material; i += 4) {
    uint32_t word;
    std::memcpy(&word, bytes + i, 4);
    out += (i ? " " : "") + Hex(word);
  }
  return out + " own " + std::to_string(mesh->usesOwnMaterial) + " list " +
         std::to_string(mesh->usesMaterialList);
}

std::string Queries(const PluginCommands& c, int32_t object, int32_t limbs) {
  std::string out;
  const int32_t bones = static_cast<int32_t>(c.GetNumBones(object));
  out += Line("GetNumBones", object, 0, std::to_string(bones));
  out += Line("GetNumAnimationSets", object, 0, std::to_string(c.GetNumAnimationSets(object)));
  for (int32_t bone = -1; bone <= bones; ++bone) {
    const HostAddress address = c.GetBoneName(object, bone);
    const std::string name = address ? FromHostAddress<const char>(address) : "(0)";
    out += Line("GetBoneName", object, bone, name);
  }
  const int32_t tracks = static_cast<int32_t>(c.GetNumMatrixKeys(object, -1));
  for (int32_t track = -1; track <= tracks; ++track)
    out +=
        Line("GetNumMatrixKeys", object, track, std::to_string(c.GetNumMatrixKeys(object, track)));
  for (int32_t limb = -1; limb <= limbs; ++limb) {
    out += Line("GetLimbAmbience", object, limb, Hex(c.GetLimbAmbience(object, limb)));
    out += Line("GetLimbDiffuse", object, limb, Hex(c.GetLimbDiffuse(object, limb)));
    out += Line("GetLimbEmissive", object, limb, Hex(c.GetLimbEmissive(object, limb)));
    out += Line("GetLimbSpecular", object, limb, Hex(c.GetLimbSpecular(object, limb)));
    for (int32_t bone = -1; bone <= bones; ++bone) {
      out += Line("GetNumAssignedVerts", limb, bone,
                  std::to_string(c.GetNumAssignedVerts(object, limb, bone)));
    }
  }
  out += Line("GetNumBones", object + 1000, 0, std::to_string(c.GetNumBones(object + 1000)));
  return out;
}

std::string ParentLinks(const sObject* record) {
  std::string out = "parents:";
  for (int32_t limb = 0; limb < record->frameCount; ++limb) {
    const sFrame* frame = record->frameList[limb];
    out += " " + std::to_string(frame && frame->parent ? frame->parent->limbNumber : -1);
  }
  return out + "\n";
}

std::string VertexColours(const sMesh* mesh) {
  // The diffuse colour follows position and normal in the import's vertex format.
  constexpr size_t kDiffuseOffset = 24;
  std::string out = "diffuse:";
  for (int32_t v = 0; v < mesh->vertexCount && v < 8; ++v) {
    uint32_t colour;
    std::memcpy(&colour, mesh->vertexData + v * mesh->vertexSize + kDiffuseOffset, 4);
    out += " " + Hex(colour);
  }
  return out + "\n";
}
}  // namespace

std::string RunCommandScript(const PluginCommands& c, int32_t object) {
  const sObject* record = c.GetObject(object);
  if (!record) return "no object\n";
  const int32_t limbs = record->frameCount;
  std::string out = Queries(c, object, limbs);

  c.SetLimbAmbience(object, 0, 0xFF102030u);
  c.SetLimbDiffuse(object, 0, 0x80405060u);
  c.SetLimbEmissive(object, 0, 0x00708090u);
  c.SetLimbSpecular(object, 0, 0xFFA0B0C0u, 17);
  c.SetLimbDiffuse(object, limbs, 0xFFFFFFFFu);  // past the end: nothing
  out += "material 0 after setters: " + MaterialBytes(record->meshList[0]) + "\n";
  out += Line("GetLimbAmbience", object, 0, Hex(c.GetLimbAmbience(object, 0)));
  out += Line("GetLimbDiffuse", object, 0, Hex(c.GetLimbDiffuse(object, 0)));
  out += Line("GetLimbEmissive", object, 0, Hex(c.GetLimbEmissive(object, 0)));
  out += Line("GetLimbSpecular", object, 0, Hex(c.GetLimbSpecular(object, 0)));

  c.ColorLimb(object, 0, 0xFF336699u);
  c.ColorLimb(object, limbs - 1, 0xFF000000u);  // a joint's mesh draws nothing: unchanged
  out += VertexColours(record->meshList[0]);

  out += "before repair " + ParentLinks(record);
  c.RepairHierarchy(object);
  out += "after repair " + ParentLinks(record);
  c.RepairHierarchy(object + 1000);  // no such object: nothing
  return out;
}

}  // namespace korva::crosscheck
