#include "render/scene.h"

#include <unordered_set>

#include "render/render_math.h"

namespace korva::render {

Scene CollectScene(const sObject& object) {
  Scene scene;
  struct Pending {
    const sFrame* frame;
    D3DXMATRIX parentWorld;
    int parentJoint;
  };
  std::vector<Pending> stack;
  std::unordered_set<const sFrame*> visited;
  if (object.rootFrame) stack.push_back({object.rootFrame, IdentityMatrix(), -1});
  bool reportedCycle = false;
  while (!stack.empty()) {
    const Pending pending = stack.back();
    stack.pop_back();
    const sFrame* frame = pending.frame;
    if (!visited.insert(frame).second) {
      if (!reportedCycle) {
        scene.warnings.push_back("the frame tree links a frame twice; drawn once");
        reportedCycle = true;
      }
      continue;
    }
    const D3DXMATRIX world = Multiply(frame->localMatrix, pending.parentWorld);
    int jointAbove = pending.parentJoint;
    if (frame->mesh) {
      scene.meshes.push_back({frame, frame->mesh, world});
    } else {
      scene.joints.push_back({frame, world, pending.parentJoint});
      jointAbove = static_cast<int>(scene.joints.size()) - 1;
    }
    // Siblings share the parent's world; pushed first so children are walked first.
    if (frame->nextSibling) {
      stack.push_back({frame->nextSibling, pending.parentWorld, pending.parentJoint});
    }
    if (frame->firstChild) stack.push_back({frame->firstChild, world, jointAbove});
  }
  return scene;
}

}  // namespace korva::render
