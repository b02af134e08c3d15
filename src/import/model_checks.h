// Checks the import makes on a loaded model before it builds anything from it.
#pragma once

#include <cstdint>

#include "ms3d/ms_model.h"

namespace korva::import {

// True when every triangle index of every group names a triangle of the model, and every vertex
// index of those triangles names a vertex of the model. The reader checks no index.
bool GroupIndicesValid(const msModel& model);

// Bytes the model's mandatory part takes in its file: a lower bound of the file's size, known
// without the file.
uint64_t MandatoryFileBytes(const msModel& model);

// True when the bone arrays of the import stay within kBoneBytesPerFileByte times the model's
// mandatory file bytes plus kBoneBytesFixed. Every group mesh gets one bone per joint, so a file of
// many empty groups and many key-less joints would otherwise make memory grow with the product of
// two counts, each cheap in the file: a few hundred kilobytes could ask for gigabytes.
constexpr uint64_t kBoneBytesPerFileByte = 64;
constexpr uint64_t kBoneBytesFixed = 1u << 20;
bool BoneArraysFitModel(const msModel& model);

}  // namespace korva::import
