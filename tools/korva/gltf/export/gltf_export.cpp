// The exporter's frame tree: every frame a node, in depth-first order, under one root when the
// object has several.
#include <tiny_gltf.h>

#include <algorithm>
#include <set>

#include "gltf/export/gltf_exporter.h"

namespace korva::gltf {

GltfAsset::GltfAsset() : model(std::make_unique<tinygltf::Model>()) {}
GltfAsset::~GltfAsset() = default;
GltfAsset::GltfAsset(GltfAsset&&) noexcept = default;
GltfAsset& GltfAsset::operator=(GltfAsset&&) noexcept = default;

Exporter::Exporter(const sObject& object, const ExportOptions& options,
                   const TextureSource& textures, GltfAsset* asset)
    : object_(object),
      options_(options),
      textures_(textures),
      asset_(asset),
      model_(*asset->model),
      buffer_(&model_) {}

void Exporter::Run() {
  model_.asset.version = "2.0";
  model_.asset.generator = "korva export";
  CollectNodes();
  // Room for every mesh's attributes at once (at most 80 bytes a vertex, 4 an index): growing
  // the buffer attribute by attribute would copy it over and over.
  size_t estimate = 0;
  for (const sFrame* frame : frames_) {
    if (!frame || !frame->mesh) continue;
    estimate += 80 * static_cast<size_t>(std::max(frame->mesh->vertexCount, 0)) +
                4 * static_cast<size_t>(std::max(frame->mesh->indexCount, 0));
  }
  model_.buffers[0].data.reserve(std::min<size_t>(estimate, size_t(1) << 30));
  for (size_t n = 0; n < frames_.size(); ++n) {
    const sFrame* frame = frames_[n];
    if (frame && frame->mesh) AddMesh(n, *frame->mesh);
  }
  AddAnimation();
  tinygltf::Scene scene;
  for (size_t n = 0; n < frames_.size(); ++n) {
    if (parents_[n] < 0) scene.nodes.push_back(static_cast<int>(n));
  }
  model_.scenes.push_back(scene);
  model_.defaultScene = 0;
  if (offsetsReplaced_ > 0) {
    Warn(std::to_string(offsetsReplaced_) +
         " bone offset matrices disagree with the frame tree's rest pose; the inverse bind "
         "matrices follow the frame tree");
  }
  if (!lostInfluences_.empty()) {
    for (const auto& [mesh, count] : lostInfluences_) {
      Warn(mesh + ": " + std::to_string(count) + " vertices had more than " +
           std::to_string(kMaxInfluences) +
           " bone influences; the largest four were kept and renormalised");
    }
  }
}

std::string Exporter::FrameLabel(size_t node) const {
  return "frame \"" + NameText(frames_[node]->name, sizeof frames_[node]->name) + "\"";
}

// Depth first from the root frame and its siblings with an explicit stack, children before the
// next sibling; a frame reached twice (a cycle in the links) is not walked again.
void Exporter::CollectNodes() {
  std::vector<std::pair<const sFrame*, int>> stack;
  for (const sFrame* root = object_.rootFrame; root; root = root->nextSibling) {
    if (std::find_if(stack.begin(), stack.end(),
                     [&](const auto& entry) { return entry.first == root; }) != stack.end()) {
      Warn("the root frames' sibling chain loops; the loop is cut");
      break;
    }
    stack.emplace_back(root, -1);
  }
  if (stack.size() > 1) {
    // glTF wants the joints of a skin to share a root, and an import leaves group frames and
    // every root joint side by side: one plain node above them all gives them that root.
    frames_.push_back(nullptr);
    parents_.push_back(-1);
    worlds_.push_back(Identity());
    hasTrs_.push_back(true);
    tinygltf::Node node;
    node.name = "root";
    model_.nodes.push_back(node);
    for (auto& entry : stack) entry.second = 0;
  }
  std::reverse(stack.begin(), stack.end());
  std::set<const sFrame*> seen;
  while (!stack.empty()) {
    const auto [frame, parent] = stack.back();
    stack.pop_back();
    if (!seen.insert(frame).second) {
      Warn("frame \"" + NameText(frame->name, sizeof frame->name) +
           "\" is linked twice; its second place is left out");
      continue;
    }
    const int index = static_cast<int>(frames_.size());
    frames_.push_back(frame);
    parents_.push_back(parent);
    nodeOf_[frame] = index;

    tinygltf::Node node;
    node.name = NameText(frame->name, sizeof frame->name);
    const Mat4 local = FromHost(frame->localMatrix);
    const Mat4 parentWorld = parent >= 0 ? worlds_[parent] : Identity();
    worlds_.push_back(Multiply(parentWorld, local));
    Trs trs;
    if (Decompose(local, &trs)) {
      if (trs.translation != Trs().translation) node.translation = ToDoubles(trs.translation);
      if (trs.rotation != Trs().rotation) node.rotation = ToDoubles(trs.rotation);
      if (trs.scale != Trs().scale) node.scale = ToDoubles(trs.scale);
      hasTrs_.push_back(true);
    } else {
      hasTrs_.push_back(false);
      bool finite = true;
      for (const auto& row : local.m) {
        for (double v : row) finite = finite && Finite(v);
      }
      if (finite) {
        for (int j = 0; j < 4; ++j) {
          for (int i = 0; i < 4; ++i) node.matrix.push_back(local.m[i][j]);  // column major
        }
      } else {
        Warn(FrameLabel(index) + ": local matrix is not finite; identity written");
      }
    }
    if (parent >= 0) model_.nodes[parent].children.push_back(index);
    model_.nodes.push_back(node);

    // Children in their sibling order: push them reversed so the first is taken next.
    std::vector<const sFrame*> children;
    std::set<const sFrame*> chain;
    for (const sFrame* child = frame->firstChild; child; child = child->nextSibling) {
      if (!chain.insert(child).second) break;
      children.push_back(child);
    }
    for (auto it = children.rbegin(); it != children.rend(); ++it) stack.emplace_back(*it, index);
  }
}

// The first frame in tree order with the name (its bytes), as bones and tracks find frames.
int Exporter::NodeNamed(const std::string& name) {
  if (nodeNamed_.empty()) {
    for (size_t n = 0; n < frames_.size(); ++n) {
      if (frames_[n]) {
        nodeNamed_.emplace(NameBytes(frames_[n]->name, sizeof frames_[n]->name),
                           static_cast<int>(n));
      }
    }
  }
  const auto found = nodeNamed_.find(name);
  return found == nodeNamed_.end() ? -1 : found->second;
}

GltfAsset BuildGltf(const sObject& object, const ExportOptions& options,
                    const TextureSource& textures) {
  GltfAsset asset;
  Exporter(object, options, textures, &asset).Run();
  return asset;
}

}  // namespace korva::gltf
