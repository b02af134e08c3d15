// The skeleton of an msModel: parents by name, rest transforms and the whole skeleton posed at a
// frame, each joint from its local pose and its parent's.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "ms3d/ms_model.h"

namespace korva {
namespace {

// Name fields may fill all 32 bytes without a terminator; only the bytes within them count.
std::string_view NameField(const char* field) {
  return std::string_view(field, BoundedNameLength(field, kMsNameSize));
}

const msJoint* ParentOf(const std::vector<msJoint>& joints, const msJoint& joint) {
  if (joint.parentIndex < 0 || static_cast<size_t>(joint.parentIndex) >= joints.size()) {
    return nullptr;
  }
  return &joints[static_cast<size_t>(joint.parentIndex)];
}

// A joint name for sorting: its first eight bytes as one number (zeros past its end, never the
// bytes after its terminator in the field, so that equal names give equal numbers), the whole
// name for names that share those eight, and its joint's index. The order is not the names' byte
// order, only one in which equal names sit together, the lowest index first.
struct SortedName {
  uint64_t head;
  std::string_view name;
  int index;
};

SortedName SortedNameOf(std::string_view name, int index) {
  uint64_t head = 0;
  for (size_t i = 0; i < sizeof head; ++i) {
    const uint8_t byte = i < name.size() ? static_cast<uint8_t>(name[i]) : 0;
    head = head << 8 | byte;
  }
  return {head, name, index};
}

// Sorted by the number, then the whole name, then the index.
bool NameBefore(const SortedName& a, const SortedName& b) {
  if (a.head != b.head) return a.head < b.head;
  const int order = a.name.compare(b.name);
  return order != 0 ? order < 0 : a.index < b.index;
}


}  // namespace

int msModel::JointIndexByName(const char* name) const {
  if (name == nullptr) return -1;
  for (size_t i = 0; i < joints.size(); ++i) {
    const char* field = joints[i].name;
    size_t j = 0;
    while (j < kMsNameSize && field[j] == name[j] && name[j] != '\0') ++j;
    // Equal when both end together: at a shared terminator, or the field is full and the
    // given name ends right after it (name[j] is read only after j matching bytes).
    const bool fieldEnded = j == kMsNameSize || field[j] == '\0';
    if (fieldEnded && name[j] == '\0') return static_cast<int>(i);
  }
  return -1;
}

void msModel::LinkParents() {
  // The names in order, each with its index, keep the lookup at n log n (a file may hold 65535
  // joints) in one array: of equal names the first index comes first. Most names differ within
  // their first eight bytes, which one comparison of numbers tells.
  std::vector<SortedName> byName;
  byName.reserve(joints.size());
  for (size_t i = 0; i < joints.size(); ++i) {
    byName.push_back(SortedNameOf(NameField(joints[i].name), static_cast<int>(i)));
  }
  std::sort(byName.begin(), byName.end(), NameBefore);
  for (msJoint& joint : joints) {
    // Index -1 sorts before every index of the parent's name.
    const SortedName parent = SortedNameOf(NameField(joint.parentName), -1);
    const auto found = std::lower_bound(byName.begin(), byName.end(), parent, NameBefore);
    joint.parentIndex = found != byName.end() && found->name == parent.name ? found->index : -1;
  }

  // Walk each parent chain once. A chain that runs back into the walk in progress has found a
  // cycle: no joint on it has a root above it, so each becomes a root. A chain that reaches a
  // joint already placed (or a root) is placed from there down, so parents come first.
  enum : uint8_t { kUnvisited, kOnWalk, kDone };
  std::vector<uint8_t> state(joints.size(), kUnvisited);
  std::vector<int32_t> walk;
  parentFirstOrder.clear();
  parentFirstOrder.reserve(joints.size());
  for (size_t start = 0; start < joints.size(); ++start) {
    walk.clear();
    int32_t j = static_cast<int32_t>(start);
    while (j >= 0 && state[static_cast<size_t>(j)] == kUnvisited) {
      state[static_cast<size_t>(j)] = kOnWalk;
      walk.push_back(j);
      j = joints[static_cast<size_t>(j)].parentIndex;
    }
    if (j >= 0 && state[static_cast<size_t>(j)] == kOnWalk) {
      const int32_t cycleStart = j;
      int32_t k = cycleStart;
      do {
        msJoint& onCycle = joints[static_cast<size_t>(k)];
        k = onCycle.parentIndex;
        onCycle.parentIndex = -1;
      } while (k != cycleStart);
    }
    for (auto at = walk.rbegin(); at != walk.rend(); ++at) {
      state[static_cast<size_t>(*at)] = kDone;
      parentFirstOrder.push_back(*at);
    }
  }
}

void msModel::BuildBindPose() {
  BuildRestTransforms();
  ComputePositionTangents();
}

void msModel::BuildRestTransforms() {
  LinkParents();
  for (const int32_t index : parentFirstOrder) {
    msJoint& joint = joints[static_cast<size_t>(index)];
    joint.bindLocal = EulerToMatrix(joint.rotation);
    for (int r = 0; r < 3; ++r) joint.bindLocal.m[r][3] = joint.position[r];
    const msJoint* parent = ParentOf(joints, joint);
    joint.bindAbsolute =
        parent ? ConcatAffine(parent->bindAbsolute, joint.bindLocal) : joint.bindLocal;
  }
}

void msModel::ComputePositionTangents() {
  for (msJoint& joint : joints) ComputeKeyCurves(joint);
}

void msModel::PoseAtFrame(float frame) {
  if (frame < 0.0f) {
    for (msJoint& joint : joints) {
      joint.poseLocal = joint.bindLocal;
      joint.poseAbsolute = joint.bindAbsolute;
    }
  } else if (parentFirstOrder.size() == joints.size()) {
    for (const int32_t index : parentFirstOrder) PoseJoint(index, frame);
  } else {
    for (size_t i = 0; i < joints.size(); ++i) PoseJoint(static_cast<int>(i), frame);
  }
  currentFrame = frame;
}

void msModel::PoseJoint(int index, float frame) {
  if (index < 0 || static_cast<size_t>(index) >= joints.size()) return;
  PoseJointLocal(index, frame);
  msJoint& joint = joints[static_cast<size_t>(index)];
  const msJoint* parent = ParentOf(joints, joint);
  joint.poseAbsolute =
      parent ? ConcatAffine(parent->poseAbsolute, joint.poseLocal) : joint.poseLocal;
}

}  // namespace korva
