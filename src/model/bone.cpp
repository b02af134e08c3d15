#include "model/bone.h"

#include <cstring>

#include "model/host_heap.h"

namespace korva {

void ConstructBone(sBone* bone) {
  std::memset(bone, 0, sizeof *bone);
}

void ReleaseBone(sBone* bone) {
  HostFree(bone->vertices);
  bone->vertices = nullptr;
  HostFree(bone->weights);
  bone->weights = nullptr;
}

}  // namespace korva
