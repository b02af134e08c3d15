// Reaching one record of a host object by object number and index. Every step is bounds-checked
// against the object's own counts, so a bad number or index yields null instead of a stray read.
#pragma once

#include <cstdint>

namespace korva {

struct sFrame;
struct sMesh;
struct sObject;

namespace commands {

// The object with that number, looked up afresh through the host's GetObjectA; null when the host
// function is not bound or no object has that number.
sObject* FindObject(int32_t objectNumber);

// The entry at `limb` of the object's mesh list; null for a null object or list, a negative limb,
// a limb at or past the mesh count, or an empty entry.
sMesh* MeshAt(const sObject* object, int32_t limb);

// The entry at `limb` of the object's frame list, with the same checks against the frame count.
sFrame* FrameAt(const sObject* object, int32_t limb);

}  // namespace commands
}  // namespace korva
