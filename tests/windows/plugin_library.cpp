#include "plugin_library.h"

#include <windows.h>

namespace korva::wintest {
namespace {
template <typename Function>
void Resolve(HMODULE library, const char* symbol, Function& entry, std::string& missing) {
  FARPROC address = GetProcAddress(library, symbol);
  // Through the one function type that converts to any other without a warning.
  entry = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
  if (!address) missing += std::string(missing.empty() ? "" : " ") + symbol;
}
}  // namespace

bool LoadPlugin(const char* path, PluginLibrary& plugin) {
  HMODULE library = LoadLibraryA(path);
  if (!library) return false;
  PluginLibrary& p = plugin;
  std::string& m = p.missing;
  Resolve(library, "?ReceiveCoreDataPtr@@YAXPAX@Z", p.ReceiveCoreDataPtr, m);
  Resolve(library, "?RefreshD3D@@YAXH@Z", p.RefreshD3D, m);
  Resolve(library, "?GetAssociatedDLLs@@YAHXZ", p.GetAssociatedDLLs, m);
  Resolve(library, "?Destructor@@YAXXZ", p.Destructor, m);
  Resolve(library, "?RepairHierarchy@@YAXH@Z", p.RepairHierarchy, m);
  Resolve(library, "?LoadMilkshape@@YAXKH@Z", p.LoadMilkshape, m);
  Resolve(library, "SetLimbAmbience", p.SetLimbAmbience, m);
  Resolve(library, "SetLimbDiffuse", p.SetLimbDiffuse, m);
  Resolve(library, "SetLimbEmissive", p.SetLimbEmissive, m);
  Resolve(library, "SetLimbSpecular", p.SetLimbSpecular, m);
  Resolve(library, "GetLimbAmbience", p.GetLimbAmbience, m);
  Resolve(library, "GetLimbDiffuse", p.GetLimbDiffuse, m);
  Resolve(library, "GetLimbEmissive", p.GetLimbEmissive, m);
  Resolve(library, "GetLimbSpecular", p.GetLimbSpecular, m);
  Resolve(library, "ColorLimb", p.ColorLimb, m);
  Resolve(library, "GetNumAnimationSets", p.GetNumAnimationSets, m);
  Resolve(library, "GetNumBones", p.GetNumBones, m);
  Resolve(library, "GetBoneName", p.GetBoneName, m);
  Resolve(library, "GetNumMatrixKeys", p.GetNumMatrixKeys, m);
  Resolve(library, "GetNumAssignedVerts", p.GetNumAssignedVerts, m);
  Resolve(library, "?ConstructObject@@YA_NPAPAUsObject@@PAPAD@Z", p.ConstructObject, m);
  Resolve(library, "?DBOConvertBlockToObject@@YA_NKKPAPAUsObject@@@Z", p.DBOConvertBlockToObject,
          m);
  Resolve(library, "?DBOConvertObjectToBlock@@YA_NPAUsObject@@PAK1@Z", p.DBOConvertObjectToBlock,
          m);
  Resolve(library, "?DBOLoadBlockFile@@YA_NPADPAK1@Z", p.DBOLoadBlockFile, m);
  Resolve(library, "?DBOSaveBlockFile@@YA_NPADKK@Z", p.DBOSaveBlockFile, m);
  Resolve(library, "?LoadDBOEx@@YAHPADPAPAUsObject@@@Z", p.LoadDBOEx, m);
  Resolve(library, "?SaveDBOEx@@YAHPADPAUsObject@@@Z", p.SaveDBOEx, m);
  return true;
}

PluginLibrary& Plugin() {
  static PluginLibrary plugin;
  return plugin;
}

}  // namespace korva::wintest
