#include "model/frame.h"

#include <cstring>

#include "model/counted_array.h"
#include "model/deferred_release.h"
#include "model/host_heap.h"
#include "model/mesh.h"

namespace korva {
namespace {
void DeleteMeshDeferred(sMesh*& mesh, DeferredFrameArrays& queue) {
  if (!mesh) return;
  ReleaseMeshDeferred(mesh, queue);
  HostFree(mesh);
  mesh = nullptr;
}

void ReleaseFrameMeshes(sFrame* frame, DeferredFrameArrays& queue) {
  DeleteMeshDeferred(frame->mesh, queue);
  for (sMesh*& mesh : frame->moreMeshes) DeleteMeshDeferred(mesh, queue);
}

// Frees the tree of frames hanging from `node` through first-child and next-sibling links. Each
// step either frees a frame without a child or rotates its child up in its place, so the walk needs
// no stack and no memory at all.
void DeleteFrameTree(sFrame* node, DeferredFrameArrays& queue) {
  while (node) {
    if (sFrame* child = node->firstChild) {
      node->firstChild = child->nextSibling;
      child->nextSibling = node;
      node = child;
    } else {
      sFrame* next = node->nextSibling;
      ReleaseFrameMeshes(node, queue);
      HostFree(node);
      node = next;
    }
  }
}
}  // namespace

void ConstructFrame(sFrame* frame) {
  std::memset(frame, 0, sizeof *frame);
  const D3DXMATRIX identity = IdentityMatrix();
  frame->localMatrix = identity;
  frame->hostMatrix150 = identity;
  frame->hostMatrix190 = identity;
  frame->hostMatrix1D0 = identity;
  frame->hostMatrix214 = identity;
  frame->hostMatrix260 = identity;
  frame->scale = {1.0f, 1.0f, 1.0f};
}

void ReleaseFrameDeferred(sFrame* frame, DeferredFrameArrays& queue) {
  ReleaseFrameMeshes(frame, queue);
  DeleteFrameTree(frame->firstChild, queue);
  frame->firstChild = nullptr;
  DeleteFrameTree(frame->nextSibling, queue);
  frame->nextSibling = nullptr;
}

void DrainDeferred(DeferredFrameArrays& queue) {
  while (sFrame* elements = queue.head) {
    queue.head = elements[0].parent;
    const int32_t count = CountedArrayCount(elements);
    for (int32_t i = 0; i < count; ++i) ReleaseFrameDeferred(&elements[i], queue);
    FreeCountedArrayBlock(elements);
  }
}

void ReleaseFrame(sFrame* frame) {
  DeferredFrameArrays queue;
  ReleaseFrameDeferred(frame, queue);
  DrainDeferred(queue);
}

sFrame* NewFrame() {
  auto* frame = static_cast<sFrame*>(HostAllocate(sizeof(sFrame)));
  if (frame) ConstructFrame(frame);
  return frame;
}

void DeleteFrame(sFrame* frame) {
  if (!frame) return;
  ReleaseFrame(frame);
  HostFree(frame);
}

}  // namespace korva
