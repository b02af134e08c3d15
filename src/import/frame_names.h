// The names the import gives its frames. The host binds every bone and every animation track to a
// frame by name, so a group frame must never take a joint's name: the bone would bind to the mesh.
#pragma once

#include <string>
#include <vector>

#include "ms3d/ms_model.h"

namespace korva::import {

// Per group, in group order, the name of its frame: the group's name, unless a joint has that
// name (ignoring ASCII letter case, since hosts may compare either way); then "<name>_mesh", or
// "<name>_mesh2", "<name>_mesh3", ... when that is taken by any other frame (same comparison).
// Joint frames keep their joints' names. Linear in the groups and joints.
std::vector<std::string> GroupFrameNames(const msModel& model);

}  // namespace korva::import
