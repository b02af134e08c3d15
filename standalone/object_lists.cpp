#include "standalone/object_lists.h"

#include <cstdint>
#include <unordered_set>
#include <vector>

#include "model/frame.h"
#include "model/host_heap.h"
#include "model/mesh.h"
#include "standalone/standalone_host.h"

namespace korva::standalone {
namespace {
struct Visit {
  sFrame* frame;
  sFrame* parent;
};

// The frames of the tree in depth-first order, child before sibling, with the parent each has
// through the links. The walk keeps its own stack, so deep trees cost memory, not call depth.
std::vector<Visit> CollectFrames(sFrame* root) {
  std::vector<Visit> order;
  std::vector<Visit> pending;
  if (root) pending.push_back({root, nullptr});
  while (!pending.empty()) {
    const Visit visit = pending.back();
    pending.pop_back();
    order.push_back(visit);
    // The sibling is visited after the child's whole subtree, so it goes on the stack first.
    if (visit.frame->nextSibling) pending.push_back({visit.frame->nextSibling, visit.parent});
    if (visit.frame->firstChild) pending.push_back({visit.frame->firstChild, visit.frame});
  }
  return order;
}
}  // namespace

bool BuildObjectLists(sObject* object) {
  const std::vector<Visit> order = CollectFrames(object->rootFrame);
  if (order.size() > INT32_MAX) return false;
  const size_t count = order.size();
  sMesh** meshList = nullptr;
  sFrame** frameList = nullptr;
  if (count > 0) {
    meshList = static_cast<sMesh**>(HostAllocateZeroed(count, sizeof(sMesh*)));
    frameList = static_cast<sFrame**>(HostAllocateZeroed(count, sizeof(sFrame*)));
    if (!meshList || !frameList) {
      HostFree(meshList);
      HostFree(frameList);
      return false;
    }
  }
  for (size_t k = 0; k < count; ++k) {
    sFrame* frame = order[k].frame;
    frame->limbNumber = static_cast<int32_t>(k);
    // The root's siblings keep whatever parent they hold: they have none in the tree.
    if (order[k].parent) frame->parent = order[k].parent;
    frameList[k] = frame;
    meshList[k] = frame->mesh;
  }
  HostFree(object->meshList);
  HostFree(object->frameList);
  object->meshList = meshList;
  object->frameList = frameList;
  object->meshCount = static_cast<int32_t>(count);
  object->frameCount = static_cast<int32_t>(count);
  return true;
}

void StandaloneHost::ReleaseWholeObject(sObject* object) {
  if (!object) return;
  // Meshes the plug-in detached from their frames (joint frames of an import) live on only in the
  // mesh list; everything still attached to the tree is freed with the tree.
  if (object->meshList && object->meshCount > 0) {
    std::unordered_set<const sMesh*> attached;
    for (const Visit& visit : CollectFrames(object->rootFrame)) {
      attached.insert(visit.frame->mesh);
      for (const sMesh* mesh : visit.frame->moreMeshes) attached.insert(mesh);
    }
    for (int32_t i = 0; i < object->meshCount; ++i) {
      sMesh* mesh = object->meshList[i];
      if (!mesh || attached.count(mesh)) continue;
      attached.insert(mesh);  // a mesh listed twice is freed once
      DeleteMesh(mesh);
    }
  }
  ReleaseObjectRecords(object);
  HostFree(object->meshList);
  HostFree(object->frameList);
  object->meshList = nullptr;
  object->frameList = nullptr;
  HostFree(object);
}

}  // namespace korva::standalone
