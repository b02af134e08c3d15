// Checks the import makes on a loaded model before it builds anything from it.
#pragma once

#include "ms3d/ms_model.h"

namespace korva::import {

// True when every triangle index of every group names a triangle of the model, and every vertex
// index of those triangles names a vertex of the model. The reader checks no index.
bool GroupIndicesValid(const msModel& model);

}  // namespace korva::import
