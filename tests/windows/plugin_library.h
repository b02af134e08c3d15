// KORVA_Tools.dll as the host engine uses it: loaded with LoadLibraryA and called only through
// GetProcAddress on the exact export symbols.
#pragma once

#include <cstdint>
#include <string>

namespace korva {
struct sObject;
}

namespace korva::wintest {

struct PluginLibrary {
  // Lifecycle.
  void (*ReceiveCoreDataPtr)(void*) = nullptr;
  void (*RefreshD3D)(int32_t) = nullptr;
  int32_t (*GetAssociatedDLLs)() = nullptr;
  void (*Destructor)() = nullptr;
  // Script commands.
  void (*RepairHierarchy)(int32_t) = nullptr;
  void (*LoadMilkshape)(uint32_t, int32_t) = nullptr;
  void (*SetLimbAmbience)(int32_t, int32_t, uint32_t) = nullptr;
  void (*SetLimbDiffuse)(int32_t, int32_t, uint32_t) = nullptr;
  void (*SetLimbEmissive)(int32_t, int32_t, uint32_t) = nullptr;
  void (*SetLimbSpecular)(int32_t, int32_t, uint32_t, int32_t) = nullptr;
  uint32_t (*GetLimbAmbience)(int32_t, int32_t) = nullptr;
  uint32_t (*GetLimbDiffuse)(int32_t, int32_t) = nullptr;
  uint32_t (*GetLimbEmissive)(int32_t, int32_t) = nullptr;
  uint32_t (*GetLimbSpecular)(int32_t, int32_t) = nullptr;
  void (*ColorLimb)(int32_t, int32_t, uint32_t) = nullptr;
  uint32_t (*GetNumAnimationSets)(int32_t) = nullptr;
  uint32_t (*GetNumBones)(int32_t) = nullptr;
  uint32_t (*GetBoneName)(int32_t, int32_t) = nullptr;
  uint32_t (*GetNumMatrixKeys)(int32_t, int32_t) = nullptr;
  uint32_t (*GetNumAssignedVerts)(int32_t, int32_t, int32_t) = nullptr;
  // DBO object files.
  bool (*ConstructObject)(sObject**, char**) = nullptr;
  bool (*DBOConvertBlockToObject)(uint32_t, uint32_t, sObject**) = nullptr;
  bool (*DBOConvertObjectToBlock)(sObject*, uint32_t*, uint32_t*) = nullptr;
  bool (*DBOLoadBlockFile)(char*, uint32_t*, uint32_t*) = nullptr;
  bool (*DBOSaveBlockFile)(char*, uint32_t, uint32_t) = nullptr;
  int32_t (*LoadDBOEx)(char*, sObject**) = nullptr;
  int32_t (*SaveDBOEx)(char*, sObject*) = nullptr;

  // Symbols that did not resolve, space separated; empty when all 27 did.
  std::string missing;
};

// Loads the library and resolves every export; null entries (listed in `missing`) for symbols
// it lacks. False when the library does not load.
bool LoadPlugin(const char* path, PluginLibrary& plugin);

// The loaded plug-in (LoadPlugin succeeded), for the tests.
PluginLibrary& Plugin();

}  // namespace korva::wintest
