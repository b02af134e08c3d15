#include "model/animation.h"

#include <cstring>

#include "model/host_heap.h"

namespace korva {

void ConstructAnimation(sAnimation* track) {
  std::memset(track, 0, sizeof *track);
  track->host108 = 1;
  track->boneDataSwitch = 1;
}

sAnimation* NewAnimation() {
  auto* track = static_cast<sAnimation*>(HostAllocate(sizeof(sAnimation)));
  if (track) ConstructAnimation(track);
  return track;
}

sAnimationSet* NewAnimationSet() {
  return static_cast<sAnimationSet*>(HostAllocateZeroed(1, sizeof(sAnimationSet)));
}

void ReleaseAnimation(sAnimation* track) {
  HostFree(track->positionKeys);
  track->positionKeys = nullptr;
  HostFree(track->rotationKeys);
  track->rotationKeys = nullptr;
  HostFree(track->scaleKeys);
  track->scaleKeys = nullptr;
  HostFree(track->matrixKeys);
  track->matrixKeys = nullptr;
  HostFree(track->table);
  track->table = nullptr;
  if (track->matrixTable) {
    for (int32_t i = 0; i < track->outerCount; ++i) HostFree(track->matrixTable[i]);
    HostFree(track->matrixTable);
    track->matrixTable = nullptr;
  }
}

void DeleteAnimationSets(sAnimationSet* set) {
  while (set) {
    sAnimation* track = set->firstTrack;
    while (track) {
      sAnimation* next = track->next;
      ReleaseAnimation(track);
      HostFree(track);
      track = next;
    }
    sAnimationSet* nextSet = set->next;
    HostFree(set);
    set = nextSet;
  }
}

}  // namespace korva
