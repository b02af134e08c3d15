// The plug-in's exports, as the host calls them (C calling convention, 32-bit arguments;
// addresses are HostAddress, 32 bits in the host). The DLL's
// export list gives each its exact symbol; on Linux the standalone host calls them by these names.
#pragma once

#include <cstdint>

#include "host/binding/host_address.h"

namespace korva {
struct sObject;
}

extern "C" {

// Lifecycle.
void ReceiveCoreDataPtr(void* coreData);
void RefreshD3D(int32_t mode);
int32_t GetAssociatedDLLs();
void Destructor();

// Script commands.
void RepairHierarchy(int32_t object);
void LoadMilkshape(korva::HostAddress fileName, int32_t object);
void SetLimbAmbience(int32_t object, int32_t limb, uint32_t colour);
void SetLimbDiffuse(int32_t object, int32_t limb, uint32_t colour);
void SetLimbEmissive(int32_t object, int32_t limb, uint32_t colour);
void SetLimbSpecular(int32_t object, int32_t limb, uint32_t colour, int32_t power);
uint32_t GetLimbAmbience(int32_t object, int32_t limb);
uint32_t GetLimbDiffuse(int32_t object, int32_t limb);
uint32_t GetLimbEmissive(int32_t object, int32_t limb);
uint32_t GetLimbSpecular(int32_t object, int32_t limb);
void ColorLimb(int32_t object, int32_t limb, uint32_t colour);
uint32_t GetNumAnimationSets(int32_t object);
uint32_t GetNumBones(int32_t object);
korva::HostAddress GetBoneName(int32_t object, int32_t bone);
uint32_t GetNumMatrixKeys(int32_t object, int32_t track);
uint32_t GetNumAssignedVerts(int32_t object, int32_t limb, int32_t bone);

// DBO object files.
bool ConstructObject(korva::sObject** object, char** cursor);
bool DBOConvertBlockToObject(korva::HostAddress block, uint32_t size, korva::sObject** object);
bool DBOConvertObjectToBlock(korva::sObject* object, korva::HostAddress* block, uint32_t* size);
bool DBOLoadBlockFile(char* path, korva::HostAddress* block, uint32_t* size);
bool DBOSaveBlockFile(char* path, korva::HostAddress block, uint32_t size);
int32_t LoadDBOEx(char* path, korva::sObject** object);
int32_t SaveDBOEx(char* path, korva::sObject* object);

}  // extern "C"
