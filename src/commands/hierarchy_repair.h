// Rebuilding the parent links of an object's frame tree from its child and sibling links.
#pragma once

#include <cstdint>

namespace korva {

struct sFrame;

namespace commands {

// Gives every frame on a frame P's child chain the parent P, for every frame reachable from `root`
// (the root and its siblings included as P). Parent links of the root and its siblings are left
// alone; nothing but parent links changes. One linear walk in constant stack space, whatever the
// depth or length of the chains; limb numbers play no part, so repeated numbers do no harm.
void RepairFrameParents(sFrame* root);

// RepairFrameParents on the root frame of the object with that number; nothing when there is no
// such object or it has no root frame.
void RepairObjectHierarchy(int32_t object);

}  // namespace commands
}  // namespace korva
