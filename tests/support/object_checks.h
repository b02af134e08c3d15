// Structural checks of objects the plug-in hands out, for tests and fuzzers: what the host relies
// on when it walks an object, checked without trusting any link or count of it.
#pragma once

#include <string>

namespace korva {
struct sObject;
}

namespace korva::testing {

// Checks an object built by the DBO reader (or anything else): the frame tree is a tree (no cycle,
// no frame or mesh reached twice, mesh frames included), every track chain ends, every count
// matches its array (counted-array prefixes included) and every name field holds its terminator.
// Returns an empty string when the object is sound, otherwise a description of the first fault.
// The walks keep their own stacks, so any depth is checked in constant call depth.
std::string CheckObjectStructure(const sObject* object);

// CheckObjectStructure and, for an imported object, also: every index of every mesh and every
// vertex number of every bone is below its mesh's vertex count, and the draw counts stay within
// the mesh's buffers. The meshes of the object's mesh list are checked as well as the tree's.
std::string CheckImportedObject(const sObject* object);

}  // namespace korva::testing
