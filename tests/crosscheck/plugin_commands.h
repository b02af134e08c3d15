// The plug-in's script commands as a table of entry points, so the same script runs against the
// plug-in linked into a Linux program and against the DLL resolved with GetProcAddress.
#pragma once

#include <cstdint>

#include "host/exports.h"

namespace korva::crosscheck {

struct PluginCommands {
  decltype(&::RepairHierarchy) RepairHierarchy;
  decltype(&::SetLimbAmbience) SetLimbAmbience;
  decltype(&::SetLimbDiffuse) SetLimbDiffuse;
  decltype(&::SetLimbEmissive) SetLimbEmissive;
  decltype(&::SetLimbSpecular) SetLimbSpecular;
  decltype(&::GetLimbAmbience) GetLimbAmbience;
  decltype(&::GetLimbDiffuse) GetLimbDiffuse;
  decltype(&::GetLimbEmissive) GetLimbEmissive;
  decltype(&::GetLimbSpecular) GetLimbSpecular;
  decltype(&::ColorLimb) ColorLimb;
  decltype(&::GetNumAnimationSets) GetNumAnimationSets;
  decltype(&::GetNumBones) GetNumBones;
  decltype(&::GetBoneName) GetBoneName;
  decltype(&::GetNumMatrixKeys) GetNumMatrixKeys;
  decltype(&::GetNumAssignedVerts) GetNumAssignedVerts;
  // The host's object lookup, to see what the setters changed in the records.
  sObject* (*GetObject)(int32_t object);
};

}  // namespace korva::crosscheck
