#include "model/object.h"

#include <cstring>

#include "model/animation.h"
#include "model/d3d_types.h"
#include "model/frame.h"
#include "model/host_heap.h"

namespace korva {
namespace {
template <typename T>
void Put(uint8_t* block, size_t offset, T value) {
  std::memcpy(block + offset, &value, sizeof value);
}

void PutVector(uint8_t* block, size_t offset, float x, float y, float z) {
  Put(block, offset, D3DXVECTOR3{x, y, z});
}
}  // namespace

void ConstructObjectRecord(sObject* object) {
  std::memset(object, 0, sizeof *object);
  uint8_t* hostBlock = object->hostBlock018;
  hostBlock[0x34] = 1;
  Put<int32_t>(hostBlock, 0x44, 2);
  hostBlock[0x54] = 1;

  uint8_t* placement = object->placement084;
  PutVector(placement, 0x18, 1, 1, 1);
  PutVector(placement, 0x24, 0, 0, 1);
  PutVector(placement, 0x30, 0, 1, 0);
  PutVector(placement, 0x3C, 1, 0, 0);
  Put(placement, 0x284, IdentityMatrix());
  Put(placement, 0x2C4, IdentityMatrix());

  // Offsets within the block that starts at 0x488 of the host's record.
  uint8_t* state = object->hostState488;
  Put<int32_t>(state, 0x488 - 0x488, 0x101);
  Put<int32_t>(state, 0x48C - 0x488, 1);
  state[0x499 - 0x488] = 1;
  Put<int32_t>(state, 0x4A8 - 0x488, -1);
  Put<int32_t>(state, 0x4C4 - 0x488, -1);
  Put<float>(state, 0x4E0 - 0x488, 1.0f);
  Put<float>(state, 0x504 - 0x488, 1.0f);
}

sObject* NewObject() {
  auto* object = static_cast<sObject*>(HostAllocate(sizeof(sObject)));
  if (object) ConstructObjectRecord(object);
  return object;
}

void ReleaseObjectRecords(sObject* object) {
  DeleteFrame(object->rootFrame);
  object->rootFrame = nullptr;
  DeleteAnimationSets(object->animationSet);
  object->animationSet = nullptr;
  HostFree(object->customData);
  object->customData = nullptr;
  object->customDataSize = 0;
}

}  // namespace korva
