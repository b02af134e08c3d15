#include "import/joint_frames.h"

#include <string>

#include "import/host_space.h"
#include "import/import_text.h"
#include "model/frame.h"

namespace korva::import {

D3DXMATRIX JointLocalMatrix(const msJoint& joint) {
  return MirroredHostMatrix(joint.bindLocal);
}

void SetUpJointFrame(sFrame* frame, const msJoint& joint) {
  CopyNameField(frame->name, joint.name, kMsNameSize);
  frame->parent = nullptr;
  frame->firstChild = nullptr;
  frame->nextSibling = nullptr;
  frame->mesh = nullptr;
  frame->offset = {0.0f, 0.0f, 0.0f};
  frame->hostVector2C4 = {0.0f, 0.0f, 0.0f};
  frame->rotation = {joint.rotation[0], joint.rotation[1], joint.rotation[2]};
  frame->localMatrix = JointLocalMatrix(joint);
}

std::vector<int32_t> LinkableParents(const msModel& model) {
  const int32_t count = static_cast<int32_t>(model.joints.size());
  std::vector<int32_t> parents(model.joints.size(), -1);
  for (int32_t j = 0; j < count; ++j) {
    const int32_t p = model.joints[j].parentIndex;
    if (p >= 0 && p < count) parents[j] = p;
  }

  // Walk each parent chain once; a chain that runs back into the walk in progress has found a
  // cycle, and every joint on it is its own ancestor.
  enum : uint8_t { kUnvisited, kOnWalk, kDone };
  std::vector<uint8_t> state(parents.size(), kUnvisited);
  std::vector<int32_t> walk;
  for (int32_t start = 0; start < count; ++start) {
    walk.clear();
    int32_t j = start;
    while (j >= 0 && state[j] == kUnvisited) {
      state[j] = kOnWalk;
      walk.push_back(j);
      j = parents[j];
    }
    if (j >= 0 && state[j] == kOnWalk) {
      const int32_t cycleStart = j;
      int32_t k = cycleStart;
      do {
        const int32_t next = parents[k];
        parents[k] = -1;
        k = next;
      } while (k != cycleStart);
    }
    for (int32_t visited : walk) state[visited] = kDone;
  }
  return parents;
}

std::vector<D3DXMATRIX> JointRestMatrices(const msModel& model,
                                          const std::vector<int32_t>& parents) {
  const size_t count = model.joints.size();
  std::vector<D3DXMATRIX> combined(count);
  std::vector<uint8_t> done(count, 0);
  // Parents may come after their children and chains may be long: each joint climbs to the first
  // ancestor already combined, then combines back down the joints it passed.
  std::vector<int32_t> climb;
  for (size_t start = 0; start < count; ++start) {
    climb.clear();
    for (int32_t j = static_cast<int32_t>(start); j >= 0 && !done[j]; j = parents[j]) {
      climb.push_back(j);
    }
    for (auto at = climb.rbegin(); at != climb.rend(); ++at) {
      const int32_t j = *at;
      const D3DXMATRIX local = JointLocalMatrix(model.joints[j]);
      combined[j] = parents[j] < 0 ? local : ConcatHostAffine(local, combined[parents[j]]);
      done[j] = 1;
    }
  }
  return combined;
}

std::vector<int32_t> LinkJointFrames(const std::vector<sFrame*>& jointFrames,
                                     const std::vector<int32_t>& parents) {
  std::vector<int32_t> roots;
  // The last child linked under each joint so far, so each link is constant time.
  std::vector<sFrame*> lastChild(jointFrames.size(), nullptr);
  for (size_t j = 0; j < jointFrames.size(); ++j) {
    const int32_t p = parents[j];
    if (p < 0) {
      ShowInfo("Missing Parent Bone for Bone " + std::to_string(j));
      roots.push_back(static_cast<int32_t>(j));
      continue;
    }
    sFrame* child = jointFrames[j];
    sFrame* parent = jointFrames[static_cast<size_t>(p)];
    if (lastChild[p]) {
      lastChild[p]->nextSibling = child;
    } else {
      parent->firstChild = child;
    }
    child->parent = parent;
    child->nextSibling = nullptr;
    lastChild[p] = child;
  }
  return roots;
}

}  // namespace korva::import
