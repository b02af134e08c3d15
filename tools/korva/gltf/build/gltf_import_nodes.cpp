// The reader's frame tree: one frame per node of the scene, in depth-first order, with several
// root nodes under one root frame.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "gltf/build/gltf_importer.h"
#include "model/object.h"

namespace korva::gltf {
namespace {

constexpr char kHolderSuffix[] = " (skinned mesh)";

}  // namespace

Mat4 NodeLocal(const doc::Node& node) {
  if (node.hasMatrix) {
    Mat4 m;
    for (int i = 0; i < 4; ++i) {
      for (int j = 0; j < 4; ++j) m.m[i][j] = node.matrix[static_cast<size_t>(j * 4 + i)];
    }
    return m;
  }
  Trs trs;
  NodeTrs(node, &trs);
  return Compose(trs);
}

bool NodeTrs(const doc::Node& node, Trs* trs) {
  if (node.hasMatrix) return Decompose(NodeLocal(node), trs);
  trs->translation = node.translation;
  trs->rotation = NormalizeQuaternion(node.rotation);
  trs->scale = node.scale;
  return true;
}

// Nodes may form only disjoint trees: each child has one parent and none is its own ancestor.
// Walks each node's chain of parents once (the walk stops at a node already known), so a long
// chain costs its length and never recursion.
void Importer::CheckTree() {
  const size_t count = document_.nodes.size();
  parentOfNode_.assign(count, -1);
  for (size_t n = 0; n < count; ++n) {
    for (int child : document_.nodes[n].children) {
      if (child < 0 || static_cast<size_t>(child) >= count) {
        Fail("nodes[" + std::to_string(n) + "] has child " + std::to_string(child) +
             ", which does not exist");
      }
      if (parentOfNode_[static_cast<size_t>(child)] >= 0 || static_cast<size_t>(child) == n) {
        Fail("nodes[" + std::to_string(child) + "] has more than one parent or is its own child");
      }
      parentOfNode_[static_cast<size_t>(child)] = static_cast<int>(n);
    }
  }
  std::vector<uint8_t> state(count, 0);  // 0 unknown, 1 on the current walk, 2 known good
  std::vector<size_t> walk;
  for (size_t n = 0; n < count; ++n) {
    walk.clear();
    for (size_t at = n; state[at] != 2;) {
      if (state[at] == 1) Fail("nodes[" + std::to_string(at) + "] is its own ancestor");
      state[at] = 1;
      walk.push_back(at);
      if (parentOfNode_[at] < 0) break;
      at = static_cast<size_t>(parentOfNode_[at]);
    }
    for (size_t w : walk) state[w] = 2;
  }
}

std::vector<int> Importer::SceneRoots() {
  const size_t count = document_.nodes.size();
  std::vector<int> roots;
  if (!document_.scenes.empty()) {
    int scene = document_.scene;
    if (scene < 0) {
      scene = 0;
    } else if (static_cast<size_t>(scene) >= document_.scenes.size()) {
      Fail("the default scene " + std::to_string(scene) + " does not exist");
    }
    if (document_.scenes.size() > 1) {
      Warn("scene " + std::to_string(scene) + " read; the other " +
           std::to_string(document_.scenes.size() - 1) + " scenes are left out");
    }
    roots = document_.scenes[static_cast<size_t>(scene)];
    for (int root : roots) {
      if (root < 0 || static_cast<size_t>(root) >= count) {
        Fail("the scene names node " + std::to_string(root) + ", which does not exist");
      }
      if (parentOfNode_[static_cast<size_t>(root)] >= 0) {
        Fail("the scene names nodes[" + std::to_string(root) + "], which is another node's child");
      }
    }
    std::vector<int> sorted = roots;
    std::sort(sorted.begin(), sorted.end());
    if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end()) {
      Fail("the scene names a node twice");
    }
  } else {
    // Without scenes every tree of nodes is shown, as viewers do.
    for (size_t n = 0; n < count; ++n) {
      if (parentOfNode_[n] < 0) roots.push_back(static_cast<int>(n));
    }
  }
  return roots;
}

// The exporter puts each skinned mesh on a node of its own at the top, named after the frame that
// held it ("<frame> (skinned mesh)"), since glTF ignores the transform of a skinned mesh's node.
// Such a node gets no frame: its mesh goes back to the frame it names.
void Importer::FindSkinnedMeshHolders() {
  const size_t count = document_.nodes.size();
  meshHolderTarget_.assign(count, -1);
  std::map<std::string, int> firstNamed;
  for (size_t n = 0; n < count; ++n)
    firstNamed.emplace(document_.nodes[n].name, static_cast<int>(n));
  const size_t suffix = sizeof kHolderSuffix - 1;
  for (size_t n = 0; n < count; ++n) {
    const doc::Node& node = document_.nodes[n];
    if (parentOfNode_[n] >= 0 || !node.children.empty() || node.mesh < 0 || node.skin < 0 ||
        node.name.size() <= suffix ||
        node.name.compare(node.name.size() - suffix, suffix, kHolderSuffix) != 0) {
      continue;
    }
    const auto target = firstNamed.find(node.name.substr(0, node.name.size() - suffix));
    if (target == firstNamed.end() ||
        document_.nodes[static_cast<size_t>(target->second)].mesh >= 0)
      continue;
    meshHolderTarget_[n] = target->second;
  }
}

std::string Importer::UniqueName(std::string name) {
  // Bones and tracks find their frames by name, so each frame gets a name of its own.
  const size_t room = sizeof(sFrame::name) - 1;
  if (name.size() > room) name.resize(room);
  if (usedNames_.insert(name).second) return name;
  for (size_t n = 2;; ++n) {
    const std::string tail = "_" + std::to_string(n);
    const std::string candidate = name.substr(0, std::min(name.size(), room - tail.size())) + tail;
    if (usedNames_.insert(candidate).second) {
      ++renamedFrames_;
      return candidate;
    }
  }
}

sFrame* Importer::AddFrame(sFrame* parent, const std::string& name, const D3DXMATRIX& local) {
  sFrame* frame = NewFrame();
  if (!frame) throw std::bad_alloc();
  std::memcpy(frame->name, name.data(), std::min(name.size(), sizeof frame->name - 1));
  frame->localMatrix = local;
  frame->parent = parent;
  sFrame*& last = lastChild_[parent];
  if (last) {
    last->nextSibling = frame;
  } else if (parent) {
    parent->firstChild = frame;
  } else {
    object_->rootFrame = frame;
  }
  last = frame;
  return frame;
}

void Importer::BuildFrames() {
  CheckTree();
  FindSkinnedMeshHolders();
  std::vector<int> roots = SceneRoots();
  roots.erase(std::remove_if(roots.begin(), roots.end(),
                             [&](int n) { return meshHolderTarget_[static_cast<size_t>(n)] >= 0; }),
              roots.end());
  const size_t count = document_.nodes.size();
  // The scene's nodes in depth-first order, each with its parent (-1: a root).
  std::vector<std::pair<int, int>> order, stack;
  for (auto it = roots.rbegin(); it != roots.rend(); ++it) stack.emplace_back(*it, -1);
  while (!stack.empty()) {
    const auto entry = stack.back();
    stack.pop_back();
    order.push_back(entry);
    const std::vector<int>& children = document_.nodes[static_cast<size_t>(entry.first)].children;
    for (auto child = children.rbegin(); child != children.rend(); ++child) {
      stack.emplace_back(*child, entry.first);
    }
  }
  // Bones and tracks name the frames they move, so the joints and animated nodes keep their names
  // first; a plain node that shares one (the exporter's "root" above a joint "root") is numbered.
  std::vector<bool> named(count, false);
  nameOfNode_.assign(count, std::string());
  const auto nameNode = [&](int node) {
    if (named[static_cast<size_t>(node)]) return;
    named[static_cast<size_t>(node)] = true;
    const std::string& name = document_.nodes[static_cast<size_t>(node)].name;
    nameOfNode_[static_cast<size_t>(node)] =
        UniqueName(name.empty() ? "node" + std::to_string(node) : name);
  };
  std::vector<bool> inScene(count, false);
  for (const auto& entry : order) inScene[static_cast<size_t>(entry.first)] = true;
  const auto nameIfInScene = [&](int node) {
    if (node >= 0 && static_cast<size_t>(node) < count && inScene[static_cast<size_t>(node)]) {
      nameNode(node);
    }
  };
  for (const doc::Skin& skin : document_.skins) {
    for (int joint : skin.joints) nameIfInScene(joint);
  }
  for (const doc::Animation& animation : document_.animations) {
    for (const doc::AnimationChannel& channel : animation.channels) nameIfInScene(channel.node);
  }
  for (const auto& entry : order) nameNode(entry.first);

  frameOfNode_.assign(count, nullptr);
  sFrame* top =
      roots.size() > 1 ? AddFrame(nullptr, UniqueName("root"), IdentityMatrix()) : nullptr;
  for (const auto& [node, parent] : order) {
    const Mat4 local = NodeLocal(document_.nodes[static_cast<size_t>(node)]);
    for (const auto& row : local.m) {
      for (double v : row) {
        if (!std::isfinite(v)) {
          Fail("nodes[" + std::to_string(node) + "] has a transform that is not finite");
        }
      }
    }
    sFrame* above = parent >= 0 ? frameOfNode_[static_cast<size_t>(parent)] : top;
    frameOfNode_[static_cast<size_t>(node)] =
        AddFrame(above, nameOfNode_[static_cast<size_t>(node)], ToHost(local));
  }
  if (renamedFrames_ > 0) {
    Warn(std::to_string(renamedFrames_) +
         " nodes share a name with another; their frames are numbered (name_2, ...)");
  }
}

}  // namespace korva::gltf
