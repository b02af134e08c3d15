// What makes a loaded model importable: one function, asked by the import before it builds
// anything and by every tool that must say whether the import would succeed.
#pragma once

#include <cstdint>
#include <vector>

#include "ms3d/ms_model.h"

namespace korva::import {

enum class ImportObstacle : uint8_t {
  kNone,
  kNoGroupsOrJoints,  // an object needs at least one frame
  kTriangleIndex,     // a group names a triangle the model does not have
  kVertexIndex,       // a group's triangle names a vertex the model does not have
  kTooManyBones,      // the bone arrays would exceed the memory bound below
  kTooManyKeys,       // the key arrays would exceed the memory bound below
};

// Why a model cannot be imported, as data; obstacle kNone when it can.
struct ImportVerdict {
  ImportObstacle obstacle = ImportObstacle::kNone;
  uint32_t group = 0;      // kTriangleIndex, kVertexIndex: the group (0-based)
  uint32_t triangle = 0;   // kTriangleIndex: the index it names; kVertexIndex: the triangle
  uint32_t vertex = 0;     // kVertexIndex: the vertex index named
  uint32_t available = 0;  // kTriangleIndex, kVertexIndex: triangles or vertices the model has
  uint64_t boneBytes = 0;  // kTooManyBones: what the bone arrays would take, and the bound
  uint64_t boneByteLimit = 0;
  uint64_t keyBytes = 0;  // kTooManyKeys: what the key arrays would take, and the bound
  uint64_t keyByteLimit = 0;
  uint64_t keyedJoints = 0;  // kTooManyKeys: joints with keys, and the model's key frames
  uint64_t keyFrames = 0;

  bool importable() const { return obstacle == ImportObstacle::kNone; }
};

// Checks, in this order: the model has groups or joints; every triangle index of every group
// names a triangle of the model and every vertex index of those triangles a vertex (the reader
// checks no index); the bone arrays fit their bound; the key arrays fit theirs. The first obstacle
// found is returned. A
// group's materialIndex is no obstacle: one that names no material (-1 or beyond the list) gives
// the group no material and no texture. When `keyFrames` is given it receives the model's
// ModelKeyFrames where they were needed for the check (a model with keyed joints), so the import
// need not find them again.
ImportVerdict CheckImportable(const msModel& model, std::vector<int32_t>* keyFrames = nullptr);

// Bytes the model's mandatory part takes in its file: a lower bound of the file's size, known
// without the file.
uint64_t MandatoryFileBytes(const msModel& model);

// The bone arrays of the import may take kBoneBytesPerFileByte times the model's mandatory file
// bytes plus kBoneBytesFixed. Every group mesh gets one bone per joint, so a file of many empty
// groups and many key-less joints would otherwise make memory grow with the product of two
// counts, each cheap in the file: a few hundred kilobytes could ask for gigabytes.
constexpr uint64_t kBoneBytesPerFileByte = 64;
constexpr uint64_t kBoneBytesFixed = 1u << 20;

// The key arrays of the import may take kKeyBytesPerFileByte times the model's mandatory file
// bytes plus kKeyBytesFixed. Every joint with keys gets a key at every frame where any joint has
// one, so many joints keyed at frames of their own would make memory grow with the square of the
// joints: a megabyte of file could ask for gigabytes.
constexpr uint64_t kKeyBytesPerFileByte = 256;
constexpr uint64_t kKeyBytesFixed = 16u << 20;

}  // namespace korva::import
