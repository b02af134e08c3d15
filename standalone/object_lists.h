// Internal to the standalone host: the bookkeeping it keeps in an object record.
#pragma once

#include "model/object.h"

namespace korva::standalone {

// Numbers every frame of the tree depth-first, child before sibling (the order objects are
// written in), sets each frame's parent link, and builds the mesh list and frame list of that many
// entries with both leading counts. The old lists are freed. False, the object unchanged, when
// memory runs out. Constant stack space whatever the depth of the tree.
bool BuildObjectLists(sObject* object);

}  // namespace korva::standalone
