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

namespace {
// Every frame reachable from `start` through child and sibling links, `start` included.
void Reach(sFrame* start, std::unordered_set<sFrame*>& reached) {
  std::vector<sFrame*> pending{start};
  while (!pending.empty()) {
    sFrame* frame = pending.back();
    pending.pop_back();
    if (!frame || !reached.insert(frame).second) continue;
    pending.push_back(frame->nextSibling);
    pending.push_back(frame->firstChild);
  }
}

// Frames of the frame list that the plug-in unlinked from the tree (a joint frame whose parent
// joint is missing), each reported once at the head of what hangs from it. A detached subtree that
// runs into the tree is left alone: freeing it would free tree frames twice.
std::vector<sFrame*> DetachedHeads(const sObject* object, const std::unordered_set<sFrame*>& tree,
                                   std::unordered_set<sFrame*>& detached) {
  std::vector<sFrame*> candidates;
  if (!object->frameList) return candidates;
  std::unordered_set<sFrame*> below;  // reached from a candidate through its links
  for (int32_t i = 0; i < object->frameCount; ++i) {
    sFrame* frame = object->frameList[i];
    if (!frame || tree.count(frame) || detached.count(frame)) continue;
    // Frames already claimed by an earlier candidate are not walked again: that candidate is
    // merely found to hang below this one.
    std::unordered_set<sFrame*> reached;
    std::vector<sFrame*> pending{frame};
    bool overlaps = false;
    while (!pending.empty() && !overlaps) {
      sFrame* next = pending.back();
      pending.pop_back();
      if (!next || reached.count(next)) continue;
      if (next != frame && detached.count(next)) {
        below.insert(next);
        continue;
      }
      overlaps = tree.count(next) != 0;
      reached.insert(next);
      pending.push_back(next->nextSibling);
      pending.push_back(next->firstChild);
    }
    if (overlaps) continue;
    for (sFrame* other : reached) {
      detached.insert(other);
      if (other != frame) below.insert(other);
    }
    candidates.push_back(frame);
  }
  std::vector<sFrame*> heads;
  for (sFrame* frame : candidates) {
    if (!below.count(frame)) heads.push_back(frame);
  }
  return heads;
}

void CollectMeshes(const std::unordered_set<sFrame*>& frames,
                   std::unordered_set<const sMesh*>& meshes) {
  for (const sFrame* frame : frames) {
    meshes.insert(frame->mesh);
    for (const sMesh* mesh : frame->moreMeshes) meshes.insert(mesh);
  }
}
}  // namespace

void StandaloneHost::ReleaseWholeObject(sObject* object) {
  if (!object) return;
  std::unordered_set<sFrame*> tree;
  Reach(object->rootFrame, tree);
  std::unordered_set<sFrame*> detached;
  const std::vector<sFrame*> heads = DetachedHeads(object, tree, detached);

  // Meshes the plug-in detached from their frames (joint frames of an import) live on only in the
  // mesh list; everything still attached to a frame is freed with its frame.
  std::unordered_set<const sMesh*> attached;
  CollectMeshes(tree, attached);
  CollectMeshes(detached, attached);
  if (object->meshList) {
    for (int32_t i = 0; i < object->meshCount; ++i) {
      sMesh* mesh = object->meshList[i];
      if (!mesh || !attached.insert(mesh).second) continue;  // a mesh listed twice is freed once
      DeleteMesh(mesh);
    }
  }
  for (sFrame* head : heads) DeleteFrame(head);
  ReleaseObjectRecords(object);
  HostFree(object->meshList);
  HostFree(object->frameList);
  object->meshList = nullptr;
  object->frameList = nullptr;
  HostFree(object);
}

}  // namespace korva::standalone
