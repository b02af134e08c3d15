// Internal to the release routines: frame arrays held by meshes, queued instead of released in
// place, so that nested meshes and frames never turn into recursion.
#pragma once

namespace korva {

struct sFrame;
struct sMesh;

// A stack of counted frame arrays waiting for release, linked through the parent field of each
// array's first element (a field that release never reads).
struct DeferredFrameArrays {
  sFrame* head = nullptr;
};

// ReleaseMesh, with the mesh's frame array queued on `queue`.
void ReleaseMeshDeferred(sMesh* mesh, DeferredFrameArrays& queue);

// Releases the frame's meshes and frees its child and sibling trees; frame arrays go on `queue`.
void ReleaseFrameDeferred(sFrame* frame, DeferredFrameArrays& queue);

// Releases every queued array, and whatever those release queue in turn, until none is left.
void DrainDeferred(DeferredFrameArrays& queue);

}  // namespace korva
