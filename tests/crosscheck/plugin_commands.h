// The plug-in's script commands as a table of entry points, so the same script runs against the
// plug-in linked into a Linux program and against the DLL resolved with GetProcAddress.
#pragma once

#include <cstdint>

namespace korva {
struct sObject;
}

namespace korva::crosscheck {

struct PluginCommands {
  void (*RepairHierarchy)(int32_t object);
  void (*SetLimbAmbience)(int32_t object, int32_t limb, uint32_t colour);
  void (*SetLimbDiffuse)(int32_t object, int32_t limb, uint32_t colour);
  void (*SetLimbEmissive)(int32_t object, int32_t limb, uint32_t colour);
  void (*SetLimbSpecular)(int32_t object, int32_t limb, uint32_t colour, int32_t power);
  uint32_t (*GetLimbAmbience)(int32_t object, int32_t limb);
  uint32_t (*GetLimbDiffuse)(int32_t object, int32_t limb);
  uint32_t (*GetLimbEmissive)(int32_t object, int32_t limb);
  uint32_t (*GetLimbSpecular)(int32_t object, int32_t limb);
  void (*ColorLimb)(int32_t object, int32_t limb, uint32_t colour);
  uint32_t (*GetNumAnimationSets)(int32_t object);
  uint32_t (*GetNumBones)(int32_t object);
  uint32_t (*GetBoneName)(int32_t object, int32_t bone);
  uint32_t (*GetNumMatrixKeys)(int32_t object, int32_t track);
  uint32_t (*GetNumAssignedVerts)(int32_t object, int32_t limb, int32_t bone);
  // The host's object lookup, to see what the setters changed in the records.
  sObject* (*GetObject)(int32_t object);
};

}  // namespace korva::crosscheck
