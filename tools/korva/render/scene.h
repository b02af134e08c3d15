// An object's frame tree flattened for drawing: every mesh with the world matrix of its frame, and
// every joint frame (a frame without a mesh) with its world position.
#pragma once

#include <string>
#include <vector>

#include "model/frame.h"
#include "model/mesh.h"
#include "model/object.h"

namespace korva::render {

struct MeshInstance {
  const sFrame* frame = nullptr;
  const sMesh* mesh = nullptr;
  D3DXMATRIX world{};  // local x parent's world, up to the root
};

struct JointMarker {
  const sFrame* frame = nullptr;
  D3DXMATRIX world{};
  int parentJoint = -1;  // index of the joint above it in the tree, or -1
};

struct Scene {
  std::vector<MeshInstance> meshes;  // in tree order (depth first, children before siblings)
  std::vector<JointMarker> joints;
  std::vector<std::string> warnings;
};

// Walks the tree from the root frame with an explicit stack (any depth of child or sibling chain);
// a frame reached twice (a cycle in the links) is reported once and not walked again.
Scene CollectScene(const sObject& object);

}  // namespace korva::render
