// KORVA_Tools.dll as the host engine uses it: loaded with LoadLibraryA and called only through
// GetProcAddress on the exact export symbols.
#pragma once

#include <cstdint>
#include <string>

#include "host/exports.h"

namespace korva::wintest {

// One entry per export, typed as the plug-in declares it.
struct PluginLibrary {
  // Lifecycle.
  decltype(&::ReceiveCoreDataPtr) ReceiveCoreDataPtr = nullptr;
  decltype(&::RefreshD3D) RefreshD3D = nullptr;
  decltype(&::GetAssociatedDLLs) GetAssociatedDLLs = nullptr;
  decltype(&::Destructor) Destructor = nullptr;
  // Script commands.
  decltype(&::RepairHierarchy) RepairHierarchy = nullptr;
  decltype(&::LoadMilkshape) LoadMilkshape = nullptr;
  decltype(&::SetLimbAmbience) SetLimbAmbience = nullptr;
  decltype(&::SetLimbDiffuse) SetLimbDiffuse = nullptr;
  decltype(&::SetLimbEmissive) SetLimbEmissive = nullptr;
  decltype(&::SetLimbSpecular) SetLimbSpecular = nullptr;
  decltype(&::GetLimbAmbience) GetLimbAmbience = nullptr;
  decltype(&::GetLimbDiffuse) GetLimbDiffuse = nullptr;
  decltype(&::GetLimbEmissive) GetLimbEmissive = nullptr;
  decltype(&::GetLimbSpecular) GetLimbSpecular = nullptr;
  decltype(&::ColorLimb) ColorLimb = nullptr;
  decltype(&::GetNumAnimationSets) GetNumAnimationSets = nullptr;
  decltype(&::GetNumBones) GetNumBones = nullptr;
  decltype(&::GetBoneName) GetBoneName = nullptr;
  decltype(&::GetNumMatrixKeys) GetNumMatrixKeys = nullptr;
  decltype(&::GetNumAssignedVerts) GetNumAssignedVerts = nullptr;
  // DBO object files.
  decltype(&::ConstructObject) ConstructObject = nullptr;
  decltype(&::DBOConvertBlockToObject) DBOConvertBlockToObject = nullptr;
  decltype(&::DBOConvertObjectToBlock) DBOConvertObjectToBlock = nullptr;
  decltype(&::DBOLoadBlockFile) DBOLoadBlockFile = nullptr;
  decltype(&::DBOSaveBlockFile) DBOSaveBlockFile = nullptr;
  decltype(&::LoadDBOEx) LoadDBOEx = nullptr;
  decltype(&::SaveDBOEx) SaveDBOEx = nullptr;

  // Symbols that did not resolve, space separated; empty when all 27 did.
  std::string missing;
};

// Loads the library and resolves every export; null entries (listed in `missing`) for symbols
// it lacks. False when the library does not load.
bool LoadPlugin(const char* path, PluginLibrary& plugin);

// The loaded plug-in (LoadPlugin succeeded), for the tests.
PluginLibrary& Plugin();

}  // namespace korva::wintest
