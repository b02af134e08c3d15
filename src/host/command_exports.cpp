#include "commands/bone_queries.h"
#include "commands/hierarchy_repair.h"
#include "commands/limb_material.h"
#include "host/export_guard.h"
#include "host/exports.h"

using korva::Guarded;
using korva::commands::MaterialColour;

extern "C" {

void RepairHierarchy(int32_t object) {
  Guarded([&] { korva::commands::RepairObjectHierarchy(object); });
}

void SetLimbAmbience(int32_t object, int32_t limb, uint32_t colour) {
  Guarded([&] { korva::commands::SetLimbColour(object, limb, MaterialColour::Ambient, colour); });
}

void SetLimbDiffuse(int32_t object, int32_t limb, uint32_t colour) {
  Guarded([&] { korva::commands::SetLimbColour(object, limb, MaterialColour::Diffuse, colour); });
}

void SetLimbEmissive(int32_t object, int32_t limb, uint32_t colour) {
  Guarded([&] { korva::commands::SetLimbColour(object, limb, MaterialColour::Emissive, colour); });
}

void SetLimbSpecular(int32_t object, int32_t limb, uint32_t colour, int32_t power) {
  Guarded([&] { korva::commands::SetLimbSpecularColour(object, limb, colour, power); });
}

uint32_t GetLimbAmbience(int32_t object, int32_t limb) {
  return Guarded(
      0u, [&] { return korva::commands::GetLimbColour(object, limb, MaterialColour::Ambient); });
}

uint32_t GetLimbDiffuse(int32_t object, int32_t limb) {
  return Guarded(
      0u, [&] { return korva::commands::GetLimbColour(object, limb, MaterialColour::Diffuse); });
}

uint32_t GetLimbEmissive(int32_t object, int32_t limb) {
  return Guarded(
      0u, [&] { return korva::commands::GetLimbColour(object, limb, MaterialColour::Emissive); });
}

uint32_t GetLimbSpecular(int32_t object, int32_t limb) {
  return Guarded(
      0u, [&] { return korva::commands::GetLimbColour(object, limb, MaterialColour::Specular); });
}

void ColorLimb(int32_t object, int32_t limb, uint32_t colour) {
  Guarded([&] { korva::commands::ColorLimbVertices(object, limb, colour); });
}

uint32_t GetNumAnimationSets(int32_t object) {
  return Guarded(0u, [&] { return korva::commands::AnimationSetCount(object); });
}

uint32_t GetNumBones(int32_t object) {
  return Guarded(0u, [&] { return korva::commands::TrackCount(object); });
}

korva::HostAddress GetBoneName(int32_t object, int32_t bone) {
  return Guarded(korva::HostAddress{0}, [&] { return korva::commands::BoneName(object, bone); });
}

uint32_t GetNumMatrixKeys(int32_t object, int32_t track) {
  return Guarded(0u, [&] { return korva::commands::MatrixKeyCount(object, track); });
}

uint32_t GetNumAssignedVerts(int32_t object, int32_t limb, int32_t bone) {
  return Guarded(korva::commands::kMissingObject,
                 [&] { return korva::commands::BoneVertexCount(object, limb, bone); });
}

}  // extern "C"
