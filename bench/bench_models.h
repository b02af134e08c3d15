// Generated models for the benchmarks, from small to the format's limits, written once per run to
// files on a memory file system so that disk speed plays no part.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace korva::bench {

// The three ways a model grows:
//  kMesh:   one group of n vertices and n triangles, all moved by one joint (n up to 65535).
//  kJoints: n joints in a four-way tree, each with 100 rotation and 100 position keys and a
//           small mesh of its own (4 vertices, 2 triangles), all in one group.
//  kGroups: n groups of 1024 vertices and 1024 triangles, each with its own material.
//  kTextured: a kGroups model whose every material names a texture of its own beside the model
//           (a 512 x 512 24-bit BMP file each).
enum class ModelKind { kMesh, kJoints, kGroups, kTextured };

// "mesh", "joints", "groups" or "textured": the middle part of every benchmark name.
const char* KindName(ModelKind kind);

// Keys per joint track of a kJoints model.
constexpr int kKeysPerTrack = 100;
// Vertices (and triangles) per group of a kGroups model.
constexpr int kGroupSize = 1024;
// Pixels on a side of each texture of a kTextured model.
constexpr int kTextureSide = 512;

struct ModelFile {
  std::string path;  // an .ms3d file on the memory file system
  size_t bytes = 0;  // its length
};

// The file of the model of that kind and size, written on first use and removed at exit.
const ModelFile& GetModelFile(ModelKind kind, int size);

// A scratch path in the same directory (removed at exit), for DBO files.
std::string ScratchPath(const std::string& name);

}  // namespace korva::bench
