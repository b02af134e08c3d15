#include "import/joint_frames.h"

#include <string>

#include "import/import_text.h"
#include "model/frame.h"
#include "platform/d3dx_matrix.h"

namespace korva::import {

D3DXMATRIX JointLocalMatrix(const msJoint& joint) {
  const float* r = joint.rotation;
  const float* p = joint.position;
  D3DXMATRIX scaling, rotationZ, rotationY, rotationX, translation, result;
  platform::MatrixScaling(&scaling, 1.0f, 1.0f, 1.0f);
  platform::MatrixRotationZ(&rotationZ, -r[2]);
  platform::MatrixRotationY(&rotationY, -r[1]);
  platform::MatrixRotationX(&rotationX, -r[0]);
  platform::MatrixTranslation(&translation, p[0], p[1], -p[2]);
  platform::MatrixMultiply(&result, &scaling, &rotationZ);
  platform::MatrixMultiply(&result, &result, &rotationY);
  platform::MatrixMultiply(&result, &result, &rotationX);
  platform::MatrixMultiply(&result, &result, &translation);
  return result;
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
