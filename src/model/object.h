// sObject: one 3D object of the host (1324 bytes, a binary contract with the host).
#pragma once

#include <cstddef>
#include <cstdint>

#include "model/host_layout.h"

namespace korva {

struct sAnimationSet;
struct sFrame;
struct sMesh;

KORVA_HOST_RECORDS_BEGIN
struct sObject {
  int32_t meshCount;            // host count: length of meshList
  int32_t frameCount;           // host count: length of frameList
  sMesh** meshList;             // one mesh per limb, indexed by limb number (host bookkeeping)
  sFrame** frameList;           // one frame per limb, indexed by limb number (host bookkeeping)
  sFrame* rootFrame;            // owned: the whole frame tree hangs from it
  sAnimationSet* animationSet;  // first animation set (owned)
  uint8_t hostBlock018[108];
  uint8_t placement084[1028];
  uint8_t hostState488[156];
  uint32_t customDataSize;
  uint8_t* customData;  // owned, customDataSize bytes
};
KORVA_HOST_RECORDS_END

#if KORVA_HOST_LAYOUT
static_assert(sizeof(sObject) == 1324);
static_assert(offsetof(sObject, frameCount) == 0x004);
static_assert(offsetof(sObject, meshList) == 0x008);
static_assert(offsetof(sObject, frameList) == 0x00C);
static_assert(offsetof(sObject, rootFrame) == 0x010);
static_assert(offsetof(sObject, animationSet) == 0x014);
static_assert(offsetof(sObject, hostBlock018) == 0x018);
static_assert(offsetof(sObject, placement084) == 0x084);
static_assert(offsetof(sObject, hostState488) == 0x488);
static_assert(offsetof(sObject, customDataSize) == 0x524);
static_assert(offsetof(sObject, customData) == 0x528);
#endif

// Fills `object` with the host's defaults (host block, placement block and host state as the host
// initialises them), every other byte zero.
void ConstructObjectRecord(sObject* object);

// A constructed object from the host heap, or null.
sObject* NewObject();

// Frees what the object owns: the frame tree from the root frame (with its meshes), every
// animation set and the custom data. The mesh list and frame list are host bookkeeping and are
// neither read nor freed. Constant stack space whatever the depth of the data.
void ReleaseObjectRecords(sObject* object);

}  // namespace korva
