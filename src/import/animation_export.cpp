#include "import/animation_export.h"

#include <cmath>
#include <string>

#include "import/import_text.h"
#include "model/animation.h"
#include "model/host_heap.h"
#include "model/object.h"

namespace korva::import {

int32_t WholeFrame(float time) {
  if (std::isnan(time)) return 0;
  if (time >= 2147483647.0f) return INT32_MAX;
  if (time <= -2147483648.0f) return INT32_MIN;
  return static_cast<int32_t>(time);
}

bool FillTrackKeys(sAnimation* track, const msJoint& joint, int32_t totalFrames) {
  const size_t n = joint.positionKeys.size();
  if (n == 0) return true;
  // Every field of every key is written below, so the arrays need no clearing. n < 65536.
  auto* positions = static_cast<sPositionKey*>(HostAllocate(n * sizeof(sPositionKey)));
  auto* rotations = static_cast<sRotateKey*>(HostAllocate(n * sizeof(sRotateKey)));
  if (!positions || !rotations) {
    HostFree(positions);
    HostFree(rotations);
    return false;
  }
  const size_t rotationCount = joint.rotationKeys.size();
  auto rotationFor = [&](size_t k) -> D3DXQUATERNION {
    if (rotationCount == 0) return {0.0f, 0.0f, 0.0f, 1.0f};
    return HostRotation(joint.rotationKeys[k < rotationCount ? k : rotationCount - 1].value);
  };

  // Each field is stored on its own: building a vector and copying it as a block stalls on
  // loading the fresh floats back across separate stores.
  const msKeyframe* keys = joint.positionKeys.data();
  int32_t frame = WholeFrame(keys[0].time);
  for (size_t k = 0; k < n; ++k) {
    const float* here = keys[k].value;
    sPositionKey& position = positions[k];
    sRotateKey& rotation = rotations[k];
    position.position.x = here[0];
    position.position.y = here[1];
    position.position.z = -here[2];
    rotation.rotation = rotationFor(k);
    if (k + 1 == n) {
      // The last key holds to the end of the animation.
      position.frame = totalFrames;
      rotation.frame = totalFrames;
      position.step = {0.0f, 0.0f, 0.0f};
      break;
    }
    const int32_t nextFrame = WholeFrame(keys[k + 1].time);
    // The span of two whole frames is exact in double (as it would be in 64-bit integers, which
    // a 32-bit machine converts slowly) and rounds to float once.
    const double span = static_cast<double>(nextFrame) - static_cast<double>(frame);
    const float frames = span < 1.0 ? 1.0f : static_cast<float>(span);
    const float* next = keys[k + 1].value;
    position.frame = frame;
    rotation.frame = frame;
    position.step.x = (next[0] - here[0]) / frames;
    position.step.y = (next[1] - here[1]) / frames;
    position.step.z = (-next[2] - -here[2]) / frames;
    frame = nextFrame;
  }
  track->positionKeys = positions;
  track->rotationKeys = rotations;
  track->positionKeyCount = static_cast<int32_t>(n);
  track->rotationKeyCount = static_cast<int32_t>(n);
  return true;
}

bool BuildAnimationSet(sObject* object, const msModel* model) {
  if (!object) {
    ShowInfo("Null DBO Object");
    return false;
  }
  if (!model) {
    ShowInfo("Null MS3D Object");
    return false;
  }
  sAnimationSet* set = NewAnimationSet();
  if (!set) return false;
  DeleteAnimationSets(object->animationSet);
  object->animationSet = set;
  set->length = model->totalFrames;
  ShowInfo("Total Frames: " + std::to_string(model->totalFrames));
  CopyHostName(set->name, "AnimationSet0");

  // Each new track becomes the set's first, so the set walks the joints from the last to the
  // first; a track is linked as soon as it exists, so the set owns everything made so far.
  bool complete = true;
  for (const msJoint& joint : model->joints) {
    sAnimation* track = NewAnimation();
    if (!track) {
      complete = false;
      break;
    }
    CopyNameField(track->name, joint.name, kMsNameSize);
    track->next = set->firstTrack;
    set->firstTrack = track;
    if (!FillTrackKeys(track, joint, model->totalFrames)) complete = false;
  }
  ShowInfo("Done Loading MilkShape Animation");
  return complete;
}

}  // namespace korva::import
